#include "port/PreciseWait_win.h"
#include "port/PreciseWait.h"

#include "windows/SystemLibrary.h"

#include <windows.h>

#include <cstdint>
#include <functional>

namespace kovir {

namespace {

// Not in every SDK's headers yet; Windows 10 1803 and later know it.
constexpr DWORD HighResolutionTimerFlag = 0x00000002; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

std::int64_t Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t TicksPerSecond()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

// `ticks` of the performance counter as a count of `unit`s per second,
// rounded up, without overflowing for long waits.
std::int64_t Convert(std::int64_t ticks, std::int64_t frequency, std::int64_t unitsPerSecond)
{
    return ticks / frequency * unitsPerSecond +
           (ticks % frequency * unitsPerSecond + frequency - 1) / frequency;
}

// A timer that fires to the tenth of a millisecond instead of at the next
// 15.6 ms system tick. Returns false where Windows has none or it fails.
bool WaitOnHighResolutionTimer(std::int64_t deadline, std::int64_t frequency)
{
    // Vista and later have CreateWaitableTimerExW; it is looked up, so that
    // the program still starts on Windows XP.
    using CreateTimerEx = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
    const auto createTimerEx =
        BoundFunction<CreateTimerEx>(GetModuleHandleW(L"kernel32.dll"), "CreateWaitableTimerExW");
    HANDLE timer = createTimerEx ? createTimerEx(nullptr, nullptr, HighResolutionTimerFlag,
                                                 TIMER_ALL_ACCESS)
                                 : nullptr;
    if (!timer) {
        return false;
    }
    bool ok = true;
    for (std::int64_t now = Ticks(); ok && now < deadline; now = Ticks()) {
        LARGE_INTEGER due;
        due.QuadPart = -Convert(deadline - now, frequency, 10'000'000); // relative, in 100 ns
        ok = SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
             WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0;
    }
    CloseHandle(timer);
    return ok;
}

// timeBeginPeriod and timeEndPeriod, from winmm loaded once, on the first
// wait that needs them (only Windows versions without the high-resolution
// timer do), and kept: not at every start, and not at every pulse.
struct TimerPeriod {
    using Period = UINT(WINAPI*)(UINT);
    Period begin = nullptr;
    Period end = nullptr;

    static const TimerPeriod& Functions()
    {
        static const SystemLibrary winmm(L"winmm.dll");
        static const TimerPeriod functions{winmm.Bind<Period>("timeBeginPeriod"),
                                           winmm.Bind<Period>("timeEndPeriod")};
        return functions;
    }
};

// Raises the system timer to 1 ms while it lives.
class OneMillisecondTimer {
public:
    OneMillisecondTimer()
        : period_(TimerPeriod::Functions()),
          raised_(period_.begin && period_.end && period_.begin(1) == 0)
    {
    }
    ~OneMillisecondTimer()
    {
        if (raised_) {
            period_.end(1);
        }
    }
    OneMillisecondTimer(const OneMillisecondTimer&) = delete;
    OneMillisecondTimer& operator=(const OneMillisecondTimer&) = delete;

private:
    const TimerPeriod& period_;
    bool raised_;
};

// Older Windows: Sleep with the system timer raised to 1 ms, as long as a
// Sleep cannot overshoot `wakeAt`: one that asks for n ms may take up to a
// millisecond more.
void WaitWithRaisedTimerResolution(std::int64_t wakeAt, std::int64_t frequency)
{
    const OneMillisecondTimer raised;
    for (std::int64_t now = Ticks(); now < wakeAt; now = Ticks()) {
        const std::int64_t left = (wakeAt - now) * 1000 / frequency;
        if (left < 2) {
            return;
        }
        Sleep(static_cast<DWORD>(left - 1));
    }
}

// The last stretch is watched on the performance counter: a timer's wake-up
// comes late by up to its resolution.
void PollUntil(std::int64_t deadline)
{
    while (Ticks() < deadline) {
        YieldProcessor();
    }
}


// How long before the deadline the sleeping on the high-resolution timer
// ends and the watching starts: it is good to a few tenths of a millisecond.
// The raised system timer keeps its own margin (above): with it the watching
// takes at most the last 2 ms.
constexpr std::int64_t PollMicroseconds = 1000;

void Wait(std::int64_t fromTicks, std::uint32_t milliseconds, const std::function<void()>& meanwhile,
          bool highResolution)
{
    const std::int64_t frequency = TicksPerSecond();
    // The deadline is on the performance counter, and the wait goes on
    // until the counter has passed it: never a tick early.
    const std::int64_t deadline = fromTicks + Convert(milliseconds, 1000, frequency);
    if (meanwhile) {
        meanwhile();
    }
    const std::int64_t wakeAt = deadline - Convert(PollMicroseconds, 1'000'000, frequency);
    if (!highResolution || !WaitOnHighResolutionTimer(wakeAt, frequency)) {
        WaitWithRaisedTimerResolution(deadline, frequency);
    }
    PollUntil(deadline);
}

} // namespace

void PreciseWaitWithoutHighResolutionTimer(std::uint32_t milliseconds)
{
    Wait(Ticks(), milliseconds, {}, false);
}

std::int64_t PreciseNow()
{
    const std::int64_t ticks = Ticks(), frequency = TicksPerSecond();
    return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

void PreciseWait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    Wait(Ticks(), milliseconds, meanwhile, true);
}

void PreciseWaitFrom(std::int64_t from, std::uint32_t milliseconds,
                     const std::function<void()>& meanwhile)
{
    // Back on the counter, rounded up: never counted from before `from`.
    const std::int64_t frequency = TicksPerSecond();
    const std::int64_t ticks =
        from / 1'000'000'000 * frequency + (from % 1'000'000'000 * frequency + 999'999'999) / 1'000'000'000;
    Wait(ticks, milliseconds, meanwhile, true);
}

} // namespace kovir
