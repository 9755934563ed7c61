#pragma once

#include <cstdint>
#include <span>

namespace kovir {

// One size of the program's icon, as premultiplied 0xAARRGGBB pixels, row by
// row: the form a window's pixmaps keep, so showing it converts nothing.
struct IconPixels {
    int width, height;
    const std::uint32_t* pixels;
};

// Every size of the icon, compiled in from the installed PNGs.
std::span<const IconPixels> ProgramIconPixels();

} // namespace kovir
