#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kovir {

// What happened to one file where a port library was looked for.
enum class LookupOutcome {
    Missing,      // no such file in that folder
    NotLoadable,  // the file is there, but the system would not load it
    NoEntryPoint, // loaded, but it does not export the write entry point
};

struct LookupAttempt {
    std::string path;  // full path, UTF-8
    std::string entry; // the entry point that was needed
    LookupOutcome outcome = LookupOutcome::Missing;
    std::string reason; // the system's words, for NotLoadable
    unsigned long error = 0; // the system's error code, for NotLoadable
};

// The one message shown when no port library could be bound for the first
// write to `address`: where each file was looked for and why it could not be
// used, which build this is, and what to do. Serbian, UTF-8.
std::string DescribeNoPortLibrary(std::int16_t address, const std::vector<LookupAttempt>& attempts,
                                  int pointerBits);

// The message shown when the bound InpOut library at `path` says its driver
// is not open: without it, its writes would do nothing and say nothing.
std::string DescribeInpOutDriverClosed(std::int16_t address, const std::string& path);

// The message shown when another kovir already drives the port at `address`.
std::string DescribePortInUse(std::int16_t address);

} // namespace kovir
