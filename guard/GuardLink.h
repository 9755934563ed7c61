#pragma once

#include "guard/GuardWords.h"
#include "port/DrivenPorts.h"

#include <cstdint>
#include <string>

namespace kovir {

// The program's end of its guard: kovir-guard started, the run's table of
// driving ports in memory the guard reads too, and the way words reach it.
// The guard sees the program's end when this goes, or when the process does.
class GuardLink {
public:
    // Throws std::runtime_error with the operator's message where the guard
    // cannot start.
    GuardLink();
    ~GuardLink();
    GuardLink(const GuardLink&) = delete;
    GuardLink& operator=(const GuardLink&) = delete;

    DrivenPorts* Table() noexcept { return table_; }

    // `word`, with `descriptor` (on Windows a HANDLE) made the guard's too,
    // where it is not -1. Throws where the guard is gone.
    void Say(GuardWord word, int descriptor);

private:
    DrivenPorts* table_ = nullptr;
    std::intptr_t end_ = -1;      // the socket, or on Windows the pipe's HANDLE
    std::intptr_t guard_ = -1;    // Windows: the guard's process HANDLE
    std::intptr_t starting_ = -1; // Windows: the thread starting it, until it has
};

// "Zaštitni proces kovir-guard nije moguće pokrenuti (...)": `reason` in
// the brackets, `program` the file that should stand beside the program.
std::string DescribeGuardNotStarted(const std::string& reason, const char* program);
// The guard ended before the program did: `reason` in the brackets.
std::string DescribeGuardGone(const std::string& reason);

} // namespace kovir
