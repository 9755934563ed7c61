#pragma once

#include <cstdint>
#include <functional>

namespace kovir {

// Blocks the caller until `milliseconds` have passed on the monotonic clock
// since the call, with `meanwhile` (if any) done first, inside that time.
// Never returns early (a signal that interrupts the sleep does not shorten
// it). It sleeps on the system's most precise timer until shortly before the
// end and watches the clock for the rest, so a 150 ms sound pulse lasts 150 ms
// to within microseconds, at the cost of well under a millisecond of CPU.
void PreciseWait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {});

} // namespace kovir
