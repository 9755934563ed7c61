#include "tools/vcd/TraceToVcd.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace kovir {

namespace {

[[noreturn]] void Fail(std::size_t line, const std::string& what)
{
    throw std::runtime_error("line " + std::to_string(line) + ": " + what);
}

bool AllOf(std::string_view text, std::string_view allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

std::string Quoted(std::string_view line)
{
    return "\"" + std::string(line.substr(0, 60)) + (line.size() > 60 ? "…" : "") + "\"";
}

// Parses one line, or says why it is not a trace line.
std::optional<TraceWrite> Parse(std::string_view line, std::string& why)
{
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; at <= line.size();) {
        const std::size_t space = line.find(' ', at);
        const std::size_t end = space == std::string_view::npos ? line.size() : space;
        fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    if (fields.size() != 4) {
        why = "not a trace line (expected \"<seconds> 0x<port> 0x<byte> <bits>\"): " + Quoted(line);
        return std::nullopt;
    }
    const std::string_view time = fields[0], port = fields[1], byte = fields[2], bits = fields[3];
    const std::size_t dot = time.find('.');
    if (dot == std::string_view::npos || !AllOf(time.substr(0, dot), "0123456789") ||
        time.size() - dot - 1 != 6 || !AllOf(time.substr(dot + 1), "0123456789")) {
        why = "not a time in seconds with six decimals: " + Quoted(time);
        return std::nullopt;
    }
    constexpr std::string_view hex = "0123456789ABCDEF";
    if (port.size() < 3 || port.substr(0, 2) != "0x" || !AllOf(port.substr(2), hex)) {
        why = "not a port address such as 0x378: " + Quoted(port);
        return std::nullopt;
    }
    if (byte.size() != 4 || byte.substr(0, 2) != "0x" || !AllOf(byte.substr(2), hex)) {
        why = "not a byte such as 0x0F: " + Quoted(byte);
        return std::nullopt;
    }
    if (bits.size() != 8 || !AllOf(bits, "01")) {
        why = "not eight data lines such as 00001111: " + Quoted(bits);
        return std::nullopt;
    }
    std::int64_t seconds = 0, micros = 0;
    unsigned value = 0, lines = 0;
    std::from_chars(time.data(), time.data() + dot, seconds);
    std::from_chars(time.data() + dot + 1, time.data() + time.size(), micros);
    std::from_chars(byte.data() + 2, byte.data() + byte.size(), value, 16);
    std::from_chars(bits.data(), bits.data() + bits.size(), lines, 2);
    if (lines != value) {
        why = "the data lines " + std::string(bits) + " are not the byte " + std::string(byte);
        return std::nullopt;
    }
    return TraceWrite{seconds * 1'000'000 + micros, std::string(port.substr(2)),
                      static_cast<std::uint8_t>(value)};
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
        const std::optional<TraceWrite> write = Parse(line, why);
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
    std::vector<std::string> ports;
    for (const TraceWrite& write : trace.writes) {
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
        out += "$scope module lpt_" + ports[p] + " $end\n";
        for (int bit = 0; bit < 8; ++bit) {
            out += "$var wire 1 " + id(p * 8 + static_cast<std::size_t>(bit)) + " " + ports[p] +
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
    for (const TraceWrite& write : trace.writes) {
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
