#pragma once

// Test equipment: an FTDI chip's EEPROM as it leaves the factory, laid out
// the way FTDI's chips read it at reset (FTDI's datasheets and application
// notes; libftdi's notes on the layout), for the emulated boards. Written
// apart from the program's own EEPROM code, so that each checks the other.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kovir::testing {

// FTDI's checksum: 0xAAAA, then for every word but the last, xor and rotate left.
inline std::uint16_t FtdiChecksum(const std::vector<std::uint8_t>& image)
{
    std::uint16_t sum = 0xAAAA;
    for (std::size_t word = 0; word + 1 < image.size() / 2; ++word) {
        sum = static_cast<std::uint16_t>(sum ^ (image[2 * word] | image[2 * word + 1] << 8));
        sum = static_cast<std::uint16_t>((sum << 1) | (sum >> 15));
    }
    return sum;
}

inline void SealWithChecksum(std::vector<std::uint8_t>& image)
{
    const std::uint16_t sum = FtdiChecksum(image);
    image[image.size() - 2] = static_cast<std::uint8_t>(sum);
    image[image.size() - 1] = static_cast<std::uint8_t>(sum >> 8);
}

// A string as the EEPROM keeps it: a USB string descriptor (length, 0x03,
// UTF-16LE), placed at `at`, its place and length recorded at `pointer`.
inline void PutString(std::vector<std::uint8_t>& image, std::size_t pointer, std::size_t& at,
                      const std::string& text)
{
    const std::size_t length = 2 + 2 * text.size();
    image[pointer] = static_cast<std::uint8_t>(at | 0x80);
    image[pointer + 1] = static_cast<std::uint8_t>(length);
    image[at & (image.size() - 1)] = static_cast<std::uint8_t>(length);
    image[(at + 1) & (image.size() - 1)] = 0x03;
    for (std::size_t i = 0; i < text.size(); ++i) {
        image[(at + 2 + 2 * i) & (image.size() - 1)] = static_cast<std::uint8_t>(text[i]);
    }
    at += length;
}

// The factory image of an FT232R (product 0x6001: 128 bytes, internal) or
// an FT232H (0x6014: 256 bytes, a 93C56), with its strings. As shipped:
// remote wake-up on, the I/O pins not pulled down in USB suspend.
inline std::vector<std::uint8_t> FactoryEeprom(std::uint16_t product, const std::string& description,
                                               const std::string& serial,
                                               const std::string& manufacturer = "FTDI")
{
    const bool h = product == 0x6014;
    std::vector<std::uint8_t> image(h ? 256 : 128, 0);
    const std::uint8_t head[] = {
        0x00, static_cast<std::uint8_t>(h ? 0x00 : 0x40), // the FT232R: 64-byte endpoints
        0x03, 0x04, static_cast<std::uint8_t>(product), static_cast<std::uint8_t>(product >> 8),
        0x00, static_cast<std::uint8_t>(h ? 0x09 : 0x06),
        0xA0,                                       // bus powered, remote wake-up
        static_cast<std::uint8_t>(h ? 0x32 : 0x2D), // 100 mA, 90 mA
        0x08,                                       // use the serial number
        0x00, 0x00, 0x02};
    std::copy(std::begin(head), std::end(head), image.begin());
    if (h) {
        image[0x1E] = 0x56; // the EEPROM is a 93C56
    } else {
        image[0x14] = 0x23; // CBUS0 TXLED, CBUS1 RXLED
        image[0x15] = 0x10;
        image[0x16] = 0x05;
    }
    std::size_t at = h ? 0xA0 : 0x18;
    PutString(image, 0x0E, at, manufacturer);
    PutString(image, 0x10, at, description);
    PutString(image, 0x12, at, serial);
    // Then the legacy port name and plug-and-play fields, as FTDI's tools write them.
    image[at++ & (image.size() - 1)] = 0x02;
    image[at++ & (image.size() - 1)] = 0x03;
    image[at & (image.size() - 1)] = 0x01;
    SealWithChecksum(image);
    return image;
}

// A string the image gives (its place and length at `pointer`), if its
// checksum holds: what the chip puts in its USB descriptor after a reset.
inline std::string StringIn(const std::vector<std::uint8_t>& image, std::size_t pointer,
                            const std::string& defaults)
{
    const std::size_t last = image.size() - 2;
    if (FtdiChecksum(image) != (image[last] | image[last + 1] << 8)) {
        return defaults;
    }
    const std::size_t at = image[pointer] & (image.size() - 1);
    std::string text;
    for (std::size_t i = 2; i + 1 < image[pointer + 1]; i += 2) {
        text += static_cast<char>(image[(at + i) & (image.size() - 1)]);
    }
    return text;
}

// The product description; the chip's own default where the checksum fails.
inline std::string DescriptionIn(const std::vector<std::uint8_t>& image, const std::string& defaults)
{
    return StringIn(image, 0x10, defaults);
}

// The serial number; none where the checksum fails, as the chip then has none.
inline std::string SerialIn(const std::vector<std::uint8_t>& image)
{
    return StringIn(image, 0x12, "");
}

} // namespace kovir::testing
