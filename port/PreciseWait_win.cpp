#include "port/PreciseWait_win.h"
#include "port/PreciseWait.h"

#include <windows.h>

#include <cstdint>

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
    HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, HighResolutionTimerFlag, TIMER_ALL_ACCESS);
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

// Raises the system timer to 1 ms while it lives. winmm is loaded only
// here, on the Windows versions that need it, not at every start.
class OneMillisecondTimer {
public:
    OneMillisecondTimer()
    {
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 11 >= MAX_PATH) {
            return;
        }
        lstrcatW(path, L"\\winmm.dll");
        winmm_ = LoadLibraryW(path);
        if (winmm_) {
            begin_ = reinterpret_cast<Period>(
                reinterpret_cast<void (*)()>(GetProcAddress(winmm_, "timeBeginPeriod")));
            end_ = reinterpret_cast<Period>(
                reinterpret_cast<void (*)()>(GetProcAddress(winmm_, "timeEndPeriod")));
            raised_ = begin_ && end_ && begin_(1) == 0;
        }
    }
    ~OneMillisecondTimer()
    {
        if (raised_) {
            end_(1);
        }
        if (winmm_) {
            FreeLibrary(winmm_);
        }
    }
    OneMillisecondTimer(const OneMillisecondTimer&) = delete;
    OneMillisecondTimer& operator=(const OneMillisecondTimer&) = delete;

private:
    using Period = UINT(WINAPI*)(UINT);
    HMODULE winmm_ = nullptr;
    Period begin_ = nullptr;
    Period end_ = nullptr;
    bool raised_ = false;
};

// Older Windows: Sleep with the system timer raised to 1 ms for the wait,
// the last millisecond given up in slices.
void WaitWithRaisedTimerResolution(std::int64_t deadline, std::int64_t frequency)
{
    const OneMillisecondTimer raised;
    for (std::int64_t now = Ticks(); now < deadline; now = Ticks()) {
        const std::int64_t left = (deadline - now) * 1000 / frequency;
        Sleep(left >= 2 ? static_cast<DWORD>(left - 1) : 0);
    }
}

std::int64_t Deadline(std::uint32_t milliseconds, std::int64_t frequency)
{
    return Ticks() + Convert(milliseconds, 1000, frequency);
}

} // namespace

void PreciseWaitWithoutHighResolutionTimer(std::uint32_t milliseconds)
{
    const std::int64_t frequency = TicksPerSecond();
    WaitWithRaisedTimerResolution(Deadline(milliseconds, frequency), frequency);
}

void PreciseWait(std::uint32_t milliseconds)
{
    const std::int64_t frequency = TicksPerSecond();
    // The deadline is on the performance counter, and every way of waiting
    // below goes on until the counter has passed it: never a tick early.
    const std::int64_t deadline = Deadline(milliseconds, frequency);
    if (!WaitOnHighResolutionTimer(deadline, frequency)) {
        WaitWithRaisedTimerResolution(deadline, frequency);
    }
}

} // namespace kovir
