#pragma once

#include <string>

namespace kovir {

// How the window names a port after "LPTn: ": its base address in hex
// digits, as the operator finds it in the system's own lists ("378",
// "D010"). A port the system gives no address, such as a USB adapter the
// kernel makes a parallel port, is "USB".
inline std::string PortName(unsigned long base)
{
    if (base == 0) {
        return "USB";
    }
    constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (; base != 0; base >>= 4) {
        text.insert(text.begin(), Digits[base & 0xF]);
    }
    return text;
}

} // namespace kovir
