#include "port/OptionPorts.h"

#include "port/PortName.h"

#include <algorithm>

namespace kovir {

OptionPorts::OptionPorts(std::span<const std::int16_t> options, std::vector<unsigned long> bases)
    : bases_(std::move(bases))
{
    std::vector<bool> taken(bases_.size(), false);
    std::vector<std::int16_t> without;
    for (const std::int16_t option : options) {
        const auto own = std::find(bases_.begin(), bases_.end(), BaseOf(option));
        if (own == bases_.end()) {
            without.push_back(option);
            continue;
        }
        const auto index = static_cast<std::size_t>(own - bases_.begin());
        taken[index] = true;
        assigned_.emplace_back(option, index);
    }
    auto next = without.begin();
    for (std::size_t index = 0; index < bases_.size() && next != without.end(); ++index) {
        if (!taken[index]) {
            taken[index] = true;
            assigned_.emplace_back(*next++, index);
        }
    }
}

std::optional<std::size_t> OptionPorts::PortOf(std::int16_t address) const
{
    const auto option = std::find_if(assigned_.begin(), assigned_.end(),
                                     [address](const auto& a) { return a.first == address; });
    return option != assigned_.end() ? std::optional(option->second) : std::nullopt;
}

unsigned long OptionPorts::DrivenBase(std::int16_t address) const
{
    const auto port = PortOf(address);
    return port ? bases_[*port] : BaseOf(address);
}

std::string OptionPorts::NameOf(std::int16_t address) const
{
    return PortName(DrivenBase(address));
}

} // namespace kovir
