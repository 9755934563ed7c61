#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovir {

// One line of the simulated port's trace, the one place its format is said:
//   "<seconds>.<microseconds, 6 digits> 0x<port, 3 or 4 hex digits> 0x<byte> <D7..D0>"
// e.g. "0.041233 0x378 0x0F 00001111". Written by the simulated port, read
// by kovir-vcd; the line end is not part of it.
struct TraceRecord {
    std::int64_t micros = 0; // since the program started
    std::uint16_t port = 0;
    std::uint8_t value = 0;
    friend bool operator==(const TraceRecord&, const TraceRecord&) = default;
};

std::string FormatTraceLine(const TraceRecord& record);

// The same line written into `out`, with no allocation and no library call,
// so that a crash handler can write it; returns its length.
inline constexpr std::size_t TraceLineMax = 64;
std::size_t FormatTraceLineInto(const TraceRecord& record, char (&out)[TraceLineMax]);

// Reads one line. When it is not a trace line, says why in `why`, quoting
// the part that is wrong, and returns nothing.
std::optional<TraceRecord> ParseTraceLine(std::string_view line, std::string& why);

} // namespace kovir
