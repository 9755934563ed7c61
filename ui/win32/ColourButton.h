#pragma once

#include "core/ColourRef.h"

#include <windows.h>

#include <string_view>

namespace kovir {

// Draws an owner-drawn button in graphical style: a raised (while held down,
// sunken) edge, its whole face in `face` whatever the theme would draw, the
// caption centred on it, and the focus frame inside the edge.
void DrawColourButton(const DRAWITEMSTRUCT& item, ColourRef face, HFONT font,
                      std::string_view caption);

} // namespace kovir
