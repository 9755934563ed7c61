#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kovir {

// A parallel port as Windows lists it: LPTn and its I/O base.
struct LptPort {
    unsigned number = 0;
    unsigned long base = 0;
};

// n of a port Windows calls "LPTn"; none for COM ports and the like.
std::optional<unsigned> LptNumberOf(std::wstring_view portName);

// The ports' bases in the order of their LPT numbers.
std::vector<unsigned long> BasesInLptOrder(std::vector<LptPort> ports);

// A port's base among the I/O ranges its device declares, in their order:
// the first, its data register. A PCI card declares the ECP registers in a
// range of their own after it, which may lie below it (0xD010, then 0xD000).
std::optional<unsigned long> PortBaseOf(const std::vector<unsigned long>& declaredRanges);

// The starts of the I/O ranges in a CM_RESOURCE_LIST, as Windows keeps a
// device's allocated resources in the registry (the same from a 32- and a
// 64-bit program), in their order; none where the list is cut short.
std::vector<unsigned long> IoRangesInResourceList(std::span<const std::uint8_t> list);

} // namespace kovir
