#pragma once

#include "form/Form1Description.h"

#include <windows.h>

#include <span>
#include <string>

namespace kovir {

// A font of the form's description at `dpi` ("Arial Black" where installed,
// otherwise the closest the font mapper gives). The caller owns it.
HFONT CreateFormFont(int dpi, const FontDescription& font);

// The system's dialog font, made smaller only as far as needed for every
// caption shown in it to fit its control; `captions` are the texts the
// controls show, in the same order. The caller owns it.
HFONT FitDialogFont(int dpi, std::span<const ControlDescription> controls,
                    std::span<const std::wstring> captions);

// Whether `caption` in `font` fits a control of `width` x `height` pixels
// (for a frame: its caption line, between the frame's corners).
bool CaptionFits(HFONT font, std::wstring_view caption, ControlKind kind, int width, int height);

} // namespace kovir
