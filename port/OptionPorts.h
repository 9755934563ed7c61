#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kovir {

// Which of the PC's parallel ports each of the program's options drives.
// An option whose own address has a port keeps it: where the program worked
// before, nothing changes. The ports away from the options' addresses (a
// PCIe card at 0xD010, a USB adapter with no address) then fill the options
// left without one, in the options' order and the system's order of its
// ports. An option left over keeps its own address and no port.
class OptionPorts {
public:
    // `options`: the options' addresses, LPT1 first. `bases`: the ports the
    // system lists, in its own order (0 for a port without an address).
    OptionPorts(std::span<const std::int16_t> options, std::vector<unsigned long> bases);

    // The index in `bases` of the port the option at `address` drives, if any.
    std::optional<std::size_t> PortOf(std::int16_t address) const;

    // The base of the port `address` drives, or its own where it has none.
    unsigned long DrivenBase(std::int16_t address) const;

    // What the window shows after "LPTn: " for `address`: the port it drives,
    // or its own address where it has none.
    std::string NameOf(std::int16_t address) const;

private:
    std::vector<unsigned long> bases_;
    std::vector<std::pair<std::int16_t, std::size_t>> assigned_; // option, index in bases_
};

// A 16-bit port address as the system's unsigned base.
constexpr unsigned long BaseOf(std::int16_t address)
{
    return static_cast<std::uint16_t>(address);
}

} // namespace kovir
