#pragma once

#include <cstdint>

namespace kovir {

// Blocks the caller until `milliseconds` have passed on the monotonic clock.
// Never returns early (a signal that interrupts the sleep does not shorten it)
// and overshoots only by the kernel's wake-up latency, so a 150 ms sound pulse
// lasts 150 ms and not a timer tick more.
void PreciseWait(std::uint32_t milliseconds);

} // namespace kovir
