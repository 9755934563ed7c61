#pragma once

#include "core/Button.h"

#include <array>
#include <cstdint>

namespace kovir {

enum class Direction : std::uint8_t { Forward, Back, Left, Right };

// The three parallel-port base addresses the operator can choose from.
enum class PortAddress : std::int16_t {
    Lpt1 = 0x378, // "LPT1: 378"
    Lpt2 = 0x278, // "LPT2: 278"
    Lpt3 = 0x3BC, // "LPT3: 3BC"
};

// The options in the order the operator reads them, LPT1 first: the order in
// which they take the PC's ports that are away from these addresses.
inline constexpr std::array<std::int16_t, 3> PortOptions{
    static_cast<std::int16_t>(PortAddress::Lpt1), static_cast<std::int16_t>(PortAddress::Lpt2),
    static_cast<std::int16_t>(PortAddress::Lpt3)};

// Bit i of a command byte is data line Di. Motion uses D0-D3 only, the
// sounder is D4, D5-D7 are never set.
struct DirectionCommand {
    std::uint8_t byte;
    Button button;
};

constexpr DirectionCommand CommandFor(Direction d)
{
    switch (d) {
    case Direction::Forward:
        return {0x0F, Button::Command3}; // "Napred"
    case Direction::Back:
        return {0x05, Button::Command4}; // "Nazad"
    case Direction::Left:
        return {0x0E, Button::Command1}; // "Levo"
    case Direction::Right:
        break;
    }
    return {0x0B, Button::Command2}; // "Desno"
}

inline constexpr std::uint8_t StopByte = 0x00;
inline constexpr std::int16_t SoundBit = 0x10; // D4
inline constexpr std::uint32_t SoundPulseMs = 150;
inline constexpr PortAddress StartPort = PortAddress::Lpt1;

// Komanda plus or minus the sound bit is formed as a 16-bit number and must
// still be a byte; anything else is an overflow, never a silently wrapped
// value on the data lines.
std::uint8_t CheckedCommandByte(std::int16_t value);

} // namespace kovir
