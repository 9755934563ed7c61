#include "port/PulseClock.h"

#include "port/PreciseWait.h"

namespace kovir {

void PulseClock::Mark() noexcept
{
    Mark(PreciseNow());
}

void PulseClock::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    if (marked_) {
        PreciseWaitFrom(last_, milliseconds, meanwhile);
    } else {
        PreciseWait(milliseconds, meanwhile);
    }
}

} // namespace kovir
