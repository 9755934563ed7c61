#pragma once

#include <cstdint>

namespace kovir {

// A colour laid out 0x00BBGGRR: red in the low byte.
using ColourRef = std::uint32_t;

constexpr std::uint8_t RedOf(ColourRef c) { return static_cast<std::uint8_t>(c & 0xFFU); }
constexpr std::uint8_t GreenOf(ColourRef c) { return static_cast<std::uint8_t>((c >> 8) & 0xFFU); }
constexpr std::uint8_t BlueOf(ColourRef c) { return static_cast<std::uint8_t>((c >> 16) & 0xFFU); }

// The colours the commands give the buttons.
namespace colour {
inline constexpr ColourRef DirectionAtRest = 0x00FFFFC0; // light cyan
inline constexpr ColourRef Pressed = 0x000FF0FF;         // yellow: active direction, sounding
inline constexpr ColourRef StopWhileMoving = 0x000FF00F; // green
inline constexpr ColourRef StopWhenStopped = 0x000000FF; // red
inline constexpr ColourRef SoundAtRest = 0x00FF0000;     // blue
} // namespace colour

} // namespace kovir
