#include "port/sim/TraceFormat.h"

#include <charconv>
#include <vector>

namespace kovir {

namespace {

bool AllOf(std::string_view text, std::string_view allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text.substr(0, 60)) + (text.size() > 60 ? "…" : "") + "\"";
}

constexpr std::string_view Hex = "0123456789ABCDEF";

} // namespace

std::size_t FormatTraceLineInto(const TraceRecord& record, char (&out)[TraceLineMax])
{
    std::size_t at = 0;
    // Digits of `value` in `base`, at least `width` of them.
    const auto digits = [&out, &at](std::uint64_t value, unsigned base, std::size_t width) {
        char reversed[24];
        std::size_t n = 0;
        do {
            reversed[n++] = Hex[value % base];
            value /= base;
        } while (value != 0 || n < width);
        while (n > 0) {
            out[at++] = reversed[--n];
        }
    };
    const auto text = [&out, &at](std::string_view part) {
        for (const char c : part) {
            out[at++] = c;
        }
    };
    const auto micros = static_cast<std::uint64_t>(record.micros < 0 ? 0 : record.micros);
    digits(micros / 1'000'000, 10, 1);
    text(".");
    digits(micros % 1'000'000, 10, 6);
    text(" 0x");
    digits(record.port, 16, 3);
    text(" 0x");
    digits(record.value, 16, 2);
    text(" ");
    digits(record.value, 2, 8);
    return at;
}

std::string FormatTraceLine(const TraceRecord& record)
{
    char line[TraceLineMax];
    return std::string(line, FormatTraceLineInto(record, line));
}

std::optional<TraceRecord> ParseTraceLine(std::string_view line, std::string& why)
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
    if (dot == std::string_view::npos || dot > 12 || !AllOf(time.substr(0, dot), "0123456789") ||
        time.size() - dot - 1 != 6 || !AllOf(time.substr(dot + 1), "0123456789")) {
        why = "not a time in seconds with six decimals: " + Quoted(time);
        return std::nullopt;
    }
    if (port.size() < 5 || port.size() > 6 || port.substr(0, 2) != "0x" ||
        !AllOf(port.substr(2), Hex)) {
        why = "not a port address such as 0x378: " + Quoted(port);
        return std::nullopt;
    }
    if (byte.size() != 4 || byte.substr(0, 2) != "0x" || !AllOf(byte.substr(2), Hex)) {
        why = "not a byte such as 0x0F: " + Quoted(byte);
        return std::nullopt;
    }
    if (bits.size() != 8 || !AllOf(bits, "01")) {
        why = "not eight data lines such as 00001111: " + Quoted(bits);
        return std::nullopt;
    }
    std::int64_t seconds = 0, micros = 0;
    unsigned address = 0, value = 0, lines = 0;
    std::from_chars(time.data(), time.data() + dot, seconds);
    std::from_chars(time.data() + dot + 1, time.data() + time.size(), micros);
    std::from_chars(port.data() + 2, port.data() + port.size(), address, 16);
    std::from_chars(byte.data() + 2, byte.data() + byte.size(), value, 16);
    std::from_chars(bits.data(), bits.data() + bits.size(), lines, 2);
    if (lines != value) {
        why = "the data lines " + std::string(bits) + " are not the byte " + std::string(byte);
        return std::nullopt;
    }
    return TraceRecord{seconds * 1'000'000 + micros, static_cast<std::uint16_t>(address),
                       static_cast<std::uint8_t>(value)};
}

} // namespace kovir
