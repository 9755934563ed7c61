#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kovir {

// A board's EEPROM image as kovir-board saves it before writing, so that a
// write cut half-way (the board pulled out) can be undone: a text file with
// the chip, serial number and bus place it was read from, and the image as
// rows of hexadecimal bytes.
struct SavedImage {
    std::string chip;
    std::string serial;
    std::string place;
    std::vector<std::uint8_t> image;
};

// The file's text; `when` is the time it was read, as written in its head.
std::string FormatSavedImage(const SavedImage& saved, const std::string& when);

// The saved image in `text`; nothing where it is not one whole.
std::optional<SavedImage> ParseSavedImage(const std::string& text);

// Where it is saved: the folder kovir-board runs in, by serial and time
// ("kovir-board-A50285BI-20261209-164000.eeprom").
std::string SavedImageName(const std::string& serial, const std::string& stamp);

// Writes `saved` to a new file in the current folder, named by its serial
// and the time now (UTC); the file's name. Throws with the operator's
// message where it cannot be written whole.
std::string SaveImage(const SavedImage& saved);

// The saved image in the file at `path`; throws with the operator's
// message where there is none to read or it is not one.
SavedImage LoadSavedImage(const std::string& path);

} // namespace kovir
