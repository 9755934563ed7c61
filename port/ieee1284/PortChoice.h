#pragma once

#include <cstddef>
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

// The number the kernel gave a port it calls `name` ("parport1" or "1"
// gives 1); none when the name carries no port number, as for the addresses
// libieee1284 guesses when the kernel lists no port.
std::optional<unsigned> PortNumberOf(std::string_view name);

// The ports the kernel itself lists, in the order of its port numbers
// (libieee1284 sorts them by name, which puts parport10 before parport2).
std::vector<std::size_t> KernelPortsInOrder(const std::vector<KnownPort>& listed);

// The ppdev device node of a port the kernel calls `name` ("parport1" or "1"
// gives "/dev/parport1"); empty when the name carries no port number.
std::string DeviceNodeFor(std::string_view name);

} // namespace kovir
