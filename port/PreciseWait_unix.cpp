#include "port/PreciseWait.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

namespace kovir {

namespace {

// The last stretch is watched on the clock rather than slept: a wake-up
// from the kernel comes tens of microseconds late, more on a busy machine.
constexpr long PollNanoseconds = 500'000;

timespec Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec Plus(timespec t, long nanoseconds)
{
    t.tv_sec += nanoseconds / 1'000'000'000L;
    t.tv_nsec += nanoseconds % 1'000'000'000L;
    if (t.tv_nsec >= 1'000'000'000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1'000'000'000L;
    } else if (t.tv_nsec < 0) {
        t.tv_sec -= 1;
        t.tv_nsec += 1'000'000'000L;
    }
    return t;
}

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Timer slack lets the kernel wake a sleeper up to 50 us late by default, to
// batch wake-ups; for this one sleep the thread asks for none.
class NoTimerSlack {
public:
    NoTimerSlack() : previous_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0))
    {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    }
    ~NoTimerSlack()
    {
        if (previous_ > 0) {
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous_), 0, 0, 0);
        }
    }
    NoTimerSlack(const NoTimerSlack&) = delete;
    NoTimerSlack& operator=(const NoTimerSlack&) = delete;

private:
    int previous_;
};

} // namespace

std::int64_t PreciseNow()
{
    const timespec now = Now();
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void PreciseWait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    PreciseWaitFrom(PreciseNow(), milliseconds, meanwhile);
}

void PreciseWaitFrom(std::int64_t from, std::uint32_t milliseconds,
                     const std::function<void()>& meanwhile)
{
    const std::int64_t at = from + std::int64_t{milliseconds} * 1'000'000;
    const timespec end{static_cast<time_t>(at / 1'000'000'000), static_cast<long>(at % 1'000'000'000)};
    if (meanwhile) {
        meanwhile();
    }
    const timespec wake = Plus(end, -PollNanoseconds);
    if (Before(Now(), wake)) {
        const NoTimerSlack precise;
        // An absolute time makes an interrupted sleep resume where it was,
        // instead of starting the whole wait over or cutting it short.
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
        }
    }
    while (Before(Now(), end)) {
    }
}

} // namespace kovir
