#include "tools/board/SavedImage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kovir {

namespace {

constexpr const char* Head = "kovir-board: EEPROM";
constexpr std::size_t RowBytes = 16;

// A number of hexadecimal digits, one to four; nothing where it is not one.
std::optional<std::size_t> HexNumber(const std::string& digits)
{
    if (digits.empty() || digits.size() > 4) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::size_t>(digit);
    }
    return value;
}

} // namespace

std::string FormatSavedImage(const SavedImage& saved, const std::string& when)
{
    std::string text = std::string(Head) + " pločice, pročitan " + when +
                       " pre upisa. Vraća se sa: kovir-board restore OVA_DATOTEKA\n";
    text += "chip " + saved.chip + "\nserial " + saved.serial + "\nplace " + saved.place + "\n";
    for (std::size_t row = 0; row < saved.image.size(); row += RowBytes) {
        char cell[24];
        std::snprintf(cell, sizeof cell, "%02zX:", row);
        text += cell;
        for (std::size_t i = row; i < row + RowBytes && i < saved.image.size(); ++i) {
            std::snprintf(cell, sizeof cell, " %02X", saved.image[i]);
            text += cell;
        }
        text += '\n';
    }
    return text;
}

std::optional<SavedImage> ParseSavedImage(const std::string& text)
{
    SavedImage saved;
    bool head = false, serial = false, place = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!head) {
            if (line.rfind(Head, 0) != 0) {
                return std::nullopt;
            }
            head = true;
        } else if (line.rfind("chip ", 0) == 0) {
            saved.chip = line.substr(5);
        } else if (line.rfind("serial ", 0) == 0) {
            saved.serial = line.substr(7);
            serial = true;
        } else if (line.rfind("place ", 0) == 0) {
            saved.place = line.substr(6);
            place = true;
        } else if (!line.empty()) {
            // A row: its offset, then its bytes; each where the last row ended.
            const std::size_t colon = line.find(':');
            const auto offset = colon == std::string::npos ? std::nullopt : HexNumber(line.substr(0, colon));
            if (!offset || *offset != saved.image.size()) {
                return std::nullopt;
            }
            for (std::size_t i = colon + 1; i < line.size();) {
                if (line[i] == ' ') {
                    ++i;
                    continue;
                }
                const std::size_t next = std::min(line.find(' ', i), line.size());
                const auto byte = next - i == 2 ? HexNumber(line.substr(i, 2)) : std::nullopt;
                if (!byte) {
                    return std::nullopt;
                }
                saved.image.push_back(static_cast<std::uint8_t>(*byte));
                i = next;
            }
        }
    }
    if (!serial || !place || saved.image.empty()) {
        return std::nullopt;
    }
    return saved;
}

std::string SavedImageName(const std::string& serial, const std::string& stamp)
{
    std::string name = "kovir-board-";
    for (const char c : serial.empty() ? std::string("bez-broja") : serial) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
        name += plain ? c : '_';
    }
    return name + "-" + stamp + ".eeprom";
}

std::string SaveImage(const SavedImage& saved)
{
    // The time now, UTC, worked out from the clock alone.
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const auto day = std::chrono::floor<std::chrono::days>(now);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{now - day};
    char stamp[32];
    char when[40];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    std::snprintf(when, sizeof when, "%.4s-%.2s-%.2s %.2s:%.2s:%.2s UTC", stamp, stamp + 4, stamp + 6,
                  stamp + 9, stamp + 11, stamp + 13);
    const std::string name = SavedImageName(saved.serial, stamp);
    const std::string text = FormatSavedImage(saved, when);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    bool whole = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = whole ? 0 : errno;
    if (file && std::fclose(file) != 0 && whole) {
        whole = false;
        error = errno;
    }
    if (!whole) {
        throw std::runtime_error("stari EEPROM ne može da se sačuva u " + name + " (" +
                                 std::strerror(error) +
                                 "); pokrenite kovir-board iz fascikle u koju sme da piše.");
    }
    return name;
}

SavedImage LoadSavedImage(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        throw std::runtime_error("datoteka " + path + " ne može da se pročita (" +
                                 std::strerror(errno) + ").");
    }
    std::string text;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        text.append(block, got);
    }
    std::fclose(file);
    auto saved = ParseSavedImage(text);
    if (!saved) {
        throw std::runtime_error("datoteka " + path + " nije EEPROM koji je kovir-board sačuvao, "
                                 "ili nije cela.");
    }
    return *saved;
}

} // namespace kovir
