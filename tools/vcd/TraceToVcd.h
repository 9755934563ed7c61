#pragma once

#include "port/sim/TraceFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovir {

// The port writes of the simulated port's trace, one record a line.
struct Trace {
    std::vector<TraceRecord> writes;
    std::optional<std::string> warning; // the trace was cut off mid-line
};

// Reads a whole trace. Throws std::runtime_error naming the line and what
// is wrong with it: a malformed line, a time that goes backwards, bits that
// disagree with the byte. A last line without its line end that does not
// parse (the program was killed while writing it) is dropped with a warning
// instead. Lines may end in CRLF (the Windows program's standard output).
Trace ReadTrace(std::string_view text);

// The trace as a Value Change Dump: timescale 1 us, one scope per port in
// the order they first appear ("lpt_378"), eight one-bit wires in each named
// after the port as well ("378_D0" … "378_D7", since some viewers ignore
// scopes), and a value change only where a line changed.
std::string WriteVcd(const Trace& trace);

} // namespace kovir
