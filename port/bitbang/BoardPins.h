#pragma once

#include <array>
#include <cstdint>

namespace kovir {

// Which of the chip's eight bit-bang pins carries each bit of the port's
// byte, bit 0 first. The chip's pins in bit-bang order are TXD, RXD, RTS#,
// CTS#, DTR#, DSR#, DCD#, RI# (FT232R, and the FT232H's AD0-AD7; an FT245R's
// D0-D7). The device's lines D0-D4 go to the five pins that are inputs
// whenever no program drives the board (RXD, CTS#, DSR#, DCD#, RI#), each
// held at 0 by a pull-down; D5-D7, never set, are tied low at the device,
// and their bits go to the pins a chip drives high at rest (TXD, RTS#,
// DTR#), which carry no device line.
inline constexpr std::array<std::uint8_t, 8> BoardPinOfBit = {1, 3, 5, 6, 7, 0, 2, 4};

// The byte for the chip's pins that puts `portByte` on the device's lines.
constexpr std::uint8_t BoardPinsFor(std::uint8_t portByte)
{
    std::uint8_t pins = 0;
    for (std::size_t bit = 0; bit < BoardPinOfBit.size(); ++bit) {
        if (portByte & (1u << bit)) {
            pins = static_cast<std::uint8_t>(pins | (1u << BoardPinOfBit[bit]));
        }
    }
    return pins;
}

// The stop stays 0 on the pins: the crash handler writes it unmapped.
static_assert(BoardPinsFor(0) == 0);

} // namespace kovir
