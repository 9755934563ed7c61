#include "port/bitbang/BitBangBoards.h"

namespace kovir {

bool BoardBefore(const std::string& a, const std::string& b)
{
    if (a.empty() != b.empty()) {
        return b.empty();
    }
    return a < b;
}

std::string SerialTail(const std::string& serial, const std::vector<std::string>& others)
{
    constexpr std::size_t Shortest = 2, Longest = 4;
    std::size_t length = std::min(Shortest, serial.size());
    const auto sharedBy = [&](std::size_t n) {
        const std::string tail = serial.substr(serial.size() - n);
        for (const std::string& other : others) {
            if (other.size() >= n && other.compare(other.size() - n, n, tail) == 0) {
                return true;
            }
        }
        return false;
    };
    while (length < std::min(Longest, serial.size()) && sharedBy(length)) {
        ++length;
    }
    return serial.substr(serial.size() - length);
}

std::string BoardName(const std::vector<std::string>& serials, std::size_t index)
{
    if (serials.size() < 2 || index >= serials.size() || serials[index].empty()) {
        return "USB";
    }
    std::vector<std::string> others = serials;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(index));
    return "USB " + SerialTail(serials[index], others);
}

} // namespace kovir
