#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kovir {

// A board is kovir's when its USB product description, a string in its
// EEPROM, is exactly this.
inline constexpr std::string_view KovirBoardName = "kovir";

// How many bytes of EEPROM a board's chip reads at reset, by USB product
// ID: 128 for the FT232R/FT245R (6001, internal), 256 for the FT232H
// (6014, an external 93C56 or 93C66); 0 for a chip kovir does not prepare.
std::size_t EepromSizeOf(std::uint16_t product);

// FTDI's checksum of an EEPROM image: every word but the last, the last
// being where the checksum itself is kept. A chip whose checksum does not
// match ignores its EEPROM and runs on its factory defaults.
std::uint16_t EepromChecksum(std::span<const std::uint8_t> image);
bool EepromChecksumValid(std::span<const std::uint8_t> image);

// The product description and the serial number the image gives the chip's
// USB descriptor; empty where it gives none.
std::string EepromProductName(std::span<const std::uint8_t> image);
std::string EepromSerialName(std::span<const std::uint8_t> image);

// Why an image cannot be made a kovir board's.
enum class EepromFault {
    Blank,           // erased: the chip runs on defaults, and there is nothing to keep
    BadChecksum,     // the chip ignores it too
    NoProductString, // its product description points outside the image
    NoRoom,          // the description's place is too short for "kovir"
    NotUart,         // an FT232H set to FIFO, fast serial, CPU or FT1248 mode:
                     // some of the pins kovir drives are then its outputs
    Inverted,        // an FT232R with inverted lines: 0 would show as 1
};

// The chip's own image with exactly what a kovir board needs changed: the
// product description "kovir" (in the old one's place), the I/O pins pulled
// down in USB suspend, no remote wake-up (a grounded RI# must not wake the
// PC), and the checksum. Every other byte stays as the chip came with it.
struct KovirImage {
    std::vector<std::uint8_t> image;
    std::optional<EepromFault> fault;
};
KovirImage KovirImageFrom(std::span<const std::uint8_t> image);

// The byte offsets at which two images differ.
std::vector<std::size_t> EepromDifferences(std::span<const std::uint8_t> a,
                                           std::span<const std::uint8_t> b);

// An image as the chip reads it, from the words read off it (little-endian).
std::vector<std::uint8_t> EepromBytes(std::span<const std::uint16_t> words);
std::vector<std::uint16_t> EepromWords(std::span<const std::uint8_t> image);

} // namespace kovir
