#pragma once

#include "core/ColourRef.h"

#include <windows.h>

#include <string_view>

namespace kovir {

// Draws the owner-drawn frame as the form draws one: opaque on the dialog
// face colour like the labels, an etched border from the middle of the
// caption line down, and the caption set into its top edge in `colour`.
void DrawFrameBox(const DRAWITEMSTRUCT& item, HFONT font, std::string_view caption,
                  ColourRef colour);

} // namespace kovir
