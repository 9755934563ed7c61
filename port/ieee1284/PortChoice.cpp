#include "port/ieee1284/PortChoice.h"

#include <algorithm>
#include <charconv>

namespace kovir {

std::optional<unsigned> PortNumberOf(std::string_view name)
{
    // Linux names its ports "parportN" (/proc/sys/dev/parport) or "N" (/proc/parport).
    if (name.starts_with("parport")) {
        name.remove_prefix(std::string_view("parport").size());
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (name.empty() || error != std::errc{} || end != name.data() + name.size()) {
        return std::nullopt;
    }
    return number;
}

std::vector<std::size_t> KernelPortsInOrder(const std::vector<KnownPort>& listed)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (PortNumberOf(listed[i].name)) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&listed](std::size_t a, std::size_t b) {
        return *PortNumberOf(listed[a].name) < *PortNumberOf(listed[b].name);
    });
    return order;
}

std::string DeviceNodeFor(std::string_view name)
{
    const auto number = PortNumberOf(name);
    return number ? "/dev/parport" + std::to_string(*number) : std::string();
}

} // namespace kovir
