#pragma once

#include <cstdint>
#include <functional>

namespace kovir {

// When the last byte reached the lines, and the wait counted from then: what
// every port's Wait is. A sound pulse on the lines then lasts the wait, and
// the time the write itself took (waking a reader of the trace, a USB round
// trip) does not add to it.
class PulseClock {
public:
    // A byte is on the lines now (or at `at`, a PreciseNow reading).
    void Mark() noexcept;
    void Mark(std::int64_t at) noexcept { last_ = at; marked_ = true; }

    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile);

private:
    std::int64_t last_ = 0;
    bool marked_ = false;
};

} // namespace kovir
