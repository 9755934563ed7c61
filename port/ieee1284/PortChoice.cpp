#include "port/ieee1284/PortChoice.h"

#include <algorithm>
#include <cctype>

namespace kovir {

std::optional<std::size_t> FindPortByBase(const std::vector<KnownPort>& ports,
                                          std::int16_t address)
{
    const auto wanted = static_cast<unsigned long>(static_cast<std::uint16_t>(address));
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [wanted](const KnownPort& p) { return p.base == wanted; });
    if (found == ports.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - ports.begin());
}

std::string DeviceNodeFor(std::string_view name)
{
    // Linux names its ports "parportN" (/proc/sys/dev/parport) or "N" (/proc/parport).
    std::string_view number = name;
    if (number.starts_with("parport")) {
        number.remove_prefix(std::string_view("parport").size());
    }
    const bool allDigits = std::all_of(number.begin(), number.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (number.empty() || !allDigits) {
        return {};
    }
    return "/dev/parport" + std::string(number);
}

} // namespace kovir
