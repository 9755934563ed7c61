#pragma once

#include "ui/win32/Form1Layout.h"

#include <cstddef>

namespace kovir {

// Keeps the option group one tab stop, on the checked option `checked`:
// the dialog manager by itself leaves it where the window was made.
void PlaceTabStopOn(const Form1Controls& controls, std::size_t checked);

} // namespace kovir
