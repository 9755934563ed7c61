#include "port/bitbang/BoardEeprom.h"

#include <algorithm>

namespace kovir {

namespace {

// Where FTDI's layout keeps what kovir changes.
constexpr std::size_t ConfigAttributes = 0x08; // the configuration's bmAttributes
constexpr std::uint8_t RemoteWakeup = 0x20;
constexpr std::size_t ChipOptions = 0x0A;
constexpr std::uint8_t SuspendPullDowns = 0x04;
constexpr std::size_t ProductPlace = 0x10;  // its offset, with 0x80 set
constexpr std::size_t ProductLength = 0x11; // in bytes, the descriptor's two included
constexpr std::size_t SerialPlace = 0x12;   // the same for the serial number
constexpr std::uint8_t StringDescriptor = 0x03;
constexpr std::size_t InterfaceMode = 0x00; // the FT232H's channel type, in its low nibble
constexpr std::size_t Inversion = 0x0B;     // the FT232R's inverted lines, a bit each

struct Place {
    std::size_t offset;
    std::size_t length;
};

// A USB string descriptor within the image, whose offset and length stand
// at `at`, if it lies inside it and clear of the checksum.
std::optional<Place> StringPlaceIn(std::span<const std::uint8_t> image, std::size_t at)
{
    if (image.size() < 0x20 || (image.size() & (image.size() - 1)) != 0) {
        return std::nullopt;
    }
    const Place place{image[at] & (image.size() - 1), image[at + 1]};
    if (place.length < 2 || place.offset < 0x14 || place.offset + place.length > image.size() - 2 ||
        image[place.offset] != place.length || image[place.offset + 1] != StringDescriptor) {
        return std::nullopt;
    }
    return place;
}

std::optional<Place> ProductPlaceIn(std::span<const std::uint8_t> image)
{
    return StringPlaceIn(image, ProductPlace);
}

std::string StringAt(std::span<const std::uint8_t> image, std::size_t at)
{
    const auto place = StringPlaceIn(image, at);
    std::string text;
    for (std::size_t i = 2; place && i + 1 < place->length; i += 2) {
        const unsigned c = image[place->offset + i] | image[place->offset + i + 1] << 8;
        text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return text;
}

} // namespace

std::size_t EepromSizeOf(std::uint16_t product)
{
    switch (product) {
    case 0x6001:
        return 128;
    case 0x6014:
        return 256;
    default:
        return 0;
    }
}

std::uint16_t EepromChecksum(std::span<const std::uint8_t> image)
{
    std::uint16_t checksum = 0xAAAA;
    for (std::size_t i = 0; i + 3 < image.size(); i += 2) {
        checksum ^= static_cast<std::uint16_t>(image[i] | image[i + 1] << 8);
        checksum = static_cast<std::uint16_t>(checksum << 1 | checksum >> 15);
    }
    return checksum;
}

bool EepromChecksumValid(std::span<const std::uint8_t> image)
{
    if (image.size() < 4) {
        return false;
    }
    const std::size_t last = image.size() - 2;
    return EepromChecksum(image) == (image[last] | image[last + 1] << 8);
}

std::string EepromProductName(std::span<const std::uint8_t> image)
{
    return StringAt(image, ProductPlace);
}

std::string EepromSerialName(std::span<const std::uint8_t> image)
{
    return StringAt(image, SerialPlace);
}

KovirImage KovirImageFrom(std::span<const std::uint8_t> image)
{
    KovirImage made;
    if (std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; }) ||
        std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0x00; })) {
        made.fault = EepromFault::Blank;
        return made;
    }
    if (!EepromChecksumValid(image)) {
        made.fault = EepromFault::BadChecksum;
        return made;
    }
    // The chip's size says which it is: 256 bytes the FT232H, 128 the FT232R.
    if (image.size() == 256 && (image[InterfaceMode] & 0x0F) != 0) {
        made.fault = EepromFault::NotUart;
        return made;
    }
    if (image.size() == 128 && image[Inversion] != 0) {
        made.fault = EepromFault::Inverted;
        return made;
    }
    const auto place = ProductPlaceIn(image);
    if (!place) {
        made.fault = EepromFault::NoProductString;
        return made;
    }
    const std::size_t length = 2 + 2 * KovirBoardName.size();
    if (place->length < length) {
        made.fault = EepromFault::NoRoom;
        return made;
    }
    made.image.assign(image.begin(), image.end());
    auto& out = made.image;
    // The new description where the old one was; what it leaves of that
    // place is cleared, so no old text is left behind it.
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(place->offset), place->length, 0);
    out[place->offset] = static_cast<std::uint8_t>(length);
    out[place->offset + 1] = StringDescriptor;
    for (std::size_t i = 0; i < KovirBoardName.size(); ++i) {
        out[place->offset + 2 + 2 * i] = static_cast<std::uint8_t>(KovirBoardName[i]);
    }
    out[ProductLength] = static_cast<std::uint8_t>(length);
    out[ChipOptions] |= SuspendPullDowns;
    out[ConfigAttributes] &= static_cast<std::uint8_t>(~RemoteWakeup);
    const std::uint16_t checksum = EepromChecksum(out);
    out[out.size() - 2] = static_cast<std::uint8_t>(checksum);
    out[out.size() - 1] = static_cast<std::uint8_t>(checksum >> 8);
    return made;
}

std::vector<std::size_t> EepromDifferences(std::span<const std::uint8_t> a,
                                           std::span<const std::uint8_t> b)
{
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) {
            differ.push_back(i);
        }
    }
    return differ;
}

std::vector<std::uint8_t> EepromBytes(std::span<const std::uint16_t> words)
{
    std::vector<std::uint8_t> image;
    for (const std::uint16_t word : words) {
        image.push_back(static_cast<std::uint8_t>(word));
        image.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return image;
}

std::vector<std::uint16_t> EepromWords(std::span<const std::uint8_t> image)
{
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2) {
        words.push_back(static_cast<std::uint16_t>(image[i] | image[i + 1] << 8));
    }
    return words;
}

} // namespace kovir
