#pragma once

#include "port/StopHandOff.h"

namespace kovir {

// Writes `stop` the way it says, through `descriptor`; whether it went out.
// A board that does not answer gives up within half a second.
bool StopPort(const PortStop& stop, int descriptor) noexcept;

} // namespace kovir
