#pragma once

#include <cstdint>

namespace kovir {

// The precise wait as it is made on Windows without a high-resolution timer
// (before Windows 10 1803): Sleep with the system timer raised to 1 ms.
// PreciseWait chooses it by itself; this is for trying it where it would not.
void PreciseWaitWithoutHighResolutionTimer(std::uint32_t milliseconds);

} // namespace kovir
