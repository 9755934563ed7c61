#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovir {

// A parallel port as the system lists it: the kernel's name and the base
// address of its registers (0 when the system does not say).
struct KnownPort {
    std::string name;
    unsigned long base = 0;
};

// The port whose base address is `address`, whatever number the kernel gave
// it: parport0 is not always 0x378.
std::optional<std::size_t> FindPortByBase(const std::vector<KnownPort>& ports,
                                          std::int16_t address);

// The ppdev device node of a port the kernel calls `name` ("parport1" or "1"
// gives "/dev/parport1"); empty when the name carries no port number.
std::string DeviceNodeFor(std::string_view name);

} // namespace kovir
