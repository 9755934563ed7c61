#include "port/PortAddressText.h"

#include <cstdio>

namespace kovir {

std::string HexAddress(std::int16_t port)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", static_cast<unsigned>(static_cast<std::uint16_t>(port)));
    return text;
}

} // namespace kovir
