#include "port/bitbang/BitBangBoards.h"

#include <algorithm>

namespace kovir {

bool BoardBefore(const std::string& a, const std::string& b)
{
    if (a.empty() != b.empty()) {
        return b.empty();
    }
    return a < b;
}

std::string BoardName(const std::vector<std::string>& serials, std::size_t index)
{
    // Two characters fit the label at every scale; serial numbers made one
    // after another differ there.
    constexpr std::size_t Shown = 2;
    const std::string& serial = index < serials.size() ? serials[index] : std::string();
    if (serials.size() < 2 || serial.empty()) {
        return "USB";
    }
    return "USB " + serial.substr(serial.size() - std::min(Shown, serial.size()));
}

} // namespace kovir
