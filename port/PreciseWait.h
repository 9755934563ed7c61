#pragma once

#include <cstdint>
#include <functional>

namespace kovir {

// Blocks the caller until `milliseconds` have passed on the monotonic clock
// since the call, with `meanwhile` (if any) done first, inside that time.
// Never returns early (a signal that interrupts the sleep does not shorten
// it). It sleeps on the system's most precise timer until shortly before the
// end and watches the clock for the rest, so a 150 ms sound pulse lasts 150 ms
// to within microseconds. The watching costs CPU: at most the last 0.5 ms on
// Linux, the last 1 ms on Windows 10 1803 and later (its high-resolution
// timer), the last 2 ms on older Windows (Sleep with a 1 ms system timer).
void PreciseWait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {});

// Now on the wait's clock, in nanoseconds.
std::int64_t PreciseNow();

// The same wait, counted from `from` (a PreciseNow reading) instead of the call.
void PreciseWaitFrom(std::int64_t from, std::uint32_t milliseconds,
                     const std::function<void()>& meanwhile = {});

// When a port's last byte reached the lines, and its Wait counted from then
// (from the call, before any byte): a sound pulse on the lines then lasts
// the wait, and what the write itself took (waking a reader of the trace)
// does not add to it.
class PulseClock {
public:
    void Mark(std::int64_t at = PreciseNow()) noexcept { last_ = at; }
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile) const
    {
        PreciseWaitFrom(last_ != 0 ? last_ : PreciseNow(), milliseconds, meanwhile);
    }

private:
    std::int64_t last_ = 0; // none yet
};

} // namespace kovir
