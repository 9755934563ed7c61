#pragma once

#include <cstdint>
#include <string>

namespace kovir {

// An I/O port address the way the operator reads it on the window: "0x3BC".
std::string HexAddress(std::int16_t port);

} // namespace kovir
