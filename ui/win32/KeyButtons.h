#pragma once

#include "form/Form1Description.h"
#include "ui/win32/Form1Layout.h"
#include "windows/SystemLibrary.h"

#include <windows.h>

namespace kovir {

// The button the key `key` (a WM_KEYDOWN's virtual key) presses, if any.
const ControlDescription* ButtonForKey(WPARAM key);

// Presses the button whose key `message` is, wherever the focus is in
// `window`; whether it was one. A held key presses once.
bool PressButtonOfKey(const MSG& message, HWND window, const Form1Controls& controls);

// A tooltip on `window` that gives each button its name and its key; none
// where the common controls are missing. `commonControls` is comctl32,
// bound for it and kept as long as the tooltip.
HWND MakeKeyTooltip(HWND window, const Form1Controls& controls,
                    const SystemLibrary& commonControls);

} // namespace kovir
