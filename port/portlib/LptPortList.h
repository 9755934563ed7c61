#pragma once

#include <optional>
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

// The WMI query for the I/O ranges of the device with this instance ID.
std::wstring PortResourceQuery(std::wstring_view deviceInstanceId);

// A port's base among the I/O ranges of its device: the lowest, since the
// extended registers of an ECP port lie above its data register.
std::optional<unsigned long> PortBaseAmong(const std::vector<unsigned long>& rangeStarts);

} // namespace kovir
