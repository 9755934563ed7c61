#include "port/portlib/LptPortList.h"

#include <algorithm>

namespace kovir {

std::optional<unsigned> LptNumberOf(std::wstring_view portName)
{
    constexpr std::wstring_view Prefix = L"LPT";
    if (portName.size() <= Prefix.size() || portName.size() > Prefix.size() + 3 ||
        !std::equal(Prefix.begin(), Prefix.end(), portName.begin(),
                    [](wchar_t a, wchar_t b) { return a == (b & ~0x20); })) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const wchar_t c : portName.substr(Prefix.size())) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    return number;
}

std::vector<unsigned long> BasesInLptOrder(std::vector<LptPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(),
                     [](const LptPort& a, const LptPort& b) { return a.number < b.number; });
    std::vector<unsigned long> bases;
    for (const LptPort& port : ports) {
        bases.push_back(port.base);
    }
    return bases;
}

std::wstring PortResourceQuery(std::wstring_view deviceInstanceId)
{
    // Inside the object path's quotes a backslash and a quote are escaped.
    std::wstring id;
    for (const wchar_t c : deviceInstanceId) {
        if (c == L'\\' || c == L'"') {
            id += L'\\';
        }
        id += c;
    }
    return L"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + id +
           L"\"} WHERE ResultClass = Win32_PortResource";
}

std::optional<unsigned long> PortBaseAmong(const std::vector<unsigned long>& rangeStarts)
{
    if (rangeStarts.empty()) {
        return std::nullopt;
    }
    return *std::min_element(rangeStarts.begin(), rangeStarts.end());
}

} // namespace kovir
