#pragma once

#include "tools/board/BoardDevices.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kovir {

// A board's whole EEPROM image, as both prepare and restore move it.
std::vector<std::uint8_t> ReadImage(EepromAccess& access, std::size_t size);

// Writes `image` and reads it back: the offsets where the chip now holds
// something else (none when it kept every byte).
std::vector<std::size_t> WriteImage(EepromAccess& access, const std::vector<std::uint8_t>& image);

} // namespace kovir
