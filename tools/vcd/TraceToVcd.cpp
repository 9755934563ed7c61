#include "tools/vcd/TraceToVcd.h"

#include "port/sim/TraceFormat.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace kovir {

namespace {

[[noreturn]] void Fail(std::size_t line, const std::string& what)
{
    throw std::runtime_error("line " + std::to_string(line) + ": " + what);
}

// A port as the VCD names it: its address as the trace writes it, "378".
std::string PortLabel(std::uint16_t port)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(port));
    return digits;
}

} // namespace

Trace ReadTrace(std::string_view text)
{
    Trace trace;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        ++number;
        const std::size_t newline = text.find('\n', at);
        const bool whole = newline != std::string_view::npos;
        std::string_view line = text.substr(at, (whole ? newline : text.size()) - at);
        at = whole ? newline + 1 : text.size();
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::string why;
        const std::optional<TraceRecord> write = ParseTraceLine(line, why);
        if (!write && !whole) {
            trace.warning = "line " + std::to_string(number) + " was cut off (" + why +
                            "); converted up to line " + std::to_string(number - 1);
            break;
        }
        if (!write) {
            Fail(number, why);
        }
        if (!trace.writes.empty() && write->micros < trace.writes.back().micros) {
            Fail(number, "the time goes backwards (" + std::string(line.substr(0, line.find(' '))) +
                             " s after a line at a later time)");
        }
        trace.writes.push_back(*write);
    }
    if (trace.writes.empty()) {
        throw std::runtime_error("the trace holds no port write");
    }
    return trace;
}

std::string WriteVcd(const Trace& trace)
{
    std::vector<std::uint16_t> ports;
    for (const TraceRecord& write : trace.writes) {
        if (std::find(ports.begin(), ports.end(), write.port) == ports.end()) {
            ports.push_back(write.port);
        }
    }
    // Identifiers: printable characters from '!', two of them once past '~'.
    const auto id = [](std::size_t wire) {
        constexpr std::size_t count = '~' - '!' + 1;
        std::string code(1, static_cast<char>('!' + wire % count));
        if (wire >= count) {
            code += static_cast<char>('!' + wire / count - 1);
        }
        return code;
    };

    std::string out = "$version kovir-vcd $end\n"
                      "$comment the data lines of each port the simulated port wrote to $end\n"
                      "$timescale 1 us $end\n";
    for (std::size_t p = 0; p < ports.size(); ++p) {
        const std::string label = PortLabel(ports[p]);
        out += "$scope module lpt_" + label + " $end\n";
        for (int bit = 0; bit < 8; ++bit) {
            out += "$var wire 1 " + id(p * 8 + static_cast<std::size_t>(bit)) + " " + label +
                   "_D" + std::to_string(bit) + " $end\n";
        }
        out += "$upscope $end\n";
    }
    out += "$enddefinitions $end\n";

    // Until its first write a port's lines are unknown.
    out += "#0\n$dumpvars\n";
    for (std::size_t wire = 0; wire < ports.size() * 8; ++wire) {
        out += "x" + id(wire) + "\n";
    }
    out += "$end\n";
    std::vector<int> last(ports.size(), -1);
    std::int64_t now = 0; // the time of the last "#" line
    for (const TraceRecord& write : trace.writes) {
        const std::size_t p = static_cast<std::size_t>(
            std::find(ports.begin(), ports.end(), write.port) - ports.begin());
        std::string changes;
        for (int bit = 0; bit < 8; ++bit) {
            const int level = (write.value >> bit) & 1;
            if (last[p] < 0 || ((last[p] >> bit) & 1) != level) {
                changes += static_cast<char>('0' + level) +
                           id(p * 8 + static_cast<std::size_t>(bit)) + "\n";
            }
        }
        last[p] = write.value;
        if (changes.empty()) {
            continue;
        }
        if (write.micros != now) {
            out += "#" + std::to_string(write.micros) + "\n";
            now = write.micros;
        }
        out += changes;
    }
    // The last state lasts a little, so viewers show it.
    out += "#" + std::to_string(trace.writes.back().micros + 1000) + "\n";
    return out;
}

} // namespace kovir
