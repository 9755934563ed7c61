#include "form/StopOnCrash.h"

#include "windows/SystemLibrary.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace kovir {

namespace {

// An exception filter takes no context: the port and the Controller it
// stops, and the filter it hands on to, are the one place the process keeps
// them.
struct Armed {
    std::atomic<const void*> owner{nullptr}; // the StopOnCrash these belong to
    std::atomic<PortOutput*> port{nullptr};
    const Controller* controller = nullptr;
    DrivenPorts* driven = nullptr;
    const WriteInProgress* announced = nullptr;
    std::atomic<bool> fired{false};
    std::atomic<DWORD> stopWriter{0};     // the thread writing the stop
    std::atomic<bool> stopWritten{false}; // and done
    std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> next{nullptr};
    std::atomic<DWORD> handingOn{0}; // the thread inside `next`
    // The thread that writes the stop for a thread whose stack has
    // overflowed, where the filter itself has almost no stack left.
    HANDLE stopper = nullptr;
    HANDLE stop = nullptr;    // set: write the stop (or, disarmed, end)
    HANDLE stopped = nullptr; // set: written
    HANDLE unhandled = nullptr; // set: nothing handled the overflow
    std::atomic<DWORD> overflowed{0}; // the thread whose stack overflowed
};

Armed& TheArmed()
{
    static Armed armed;
    return armed;
}

// How long a crash waits for another thread's crash to finish the stop.
constexpr DWORD WaitForTheStopMs = 1000;

// The stop, once. A second crash on another thread hands on only once the
// first one's stop is written (a board's takes about a millisecond), or
// after a second; one inside the stop, on the stopping thread, at once.
void StopOnce()
{
    Armed& armed = TheArmed();
    const DWORD self = GetCurrentThreadId();
    if (!armed.fired.exchange(true)) {
        armed.stopWriter = self;
        if (PortOutput* port = armed.port.load()) {
            StopEveryDrivenPort(*port, *armed.controller, *armed.driven, *armed.announced);
        }
        armed.stopWritten = true;
    } else if (armed.stopWriter.load() != self) {
        for (DWORD waited = 0; !armed.stopWritten.load() && waited < WaitForTheStopMs; ++waited) {
            Sleep(1);
        }
    }
}

// How long the overflowed thread has to reach the crash filter or to end
// before its overflow is taken for one a handler swallowed.
constexpr DWORD SwallowedAfterMs = 1000;

// Writes the stop for a thread whose stack has overflowed. A stack
// overflow ends the program: where nothing handles it, Windows reports it
// and ends the program; where the system ends only the overflowed thread
// (as Wine does), this then ends the process with the overflow's status.
// A handler may swallow it (Wine's, around a window procedure it calls back
// from inside GetMessage): the thread would go on, and might drive again,
// after its stack overflowed, so this ends the program then.
// What one stopper thread waits on, and whether its StopOnCrash is going.
struct StopperWaits {
    HANDLE stop = nullptr;
    std::atomic<bool> ending{false};
};

DWORD WINAPI Stopper(void* waits)
{
    auto& own = *static_cast<StopperWaits*>(waits);
    WaitForSingleObject(own.stop, INFINITE);
    if (own.ending.load()) {
        return 0; // its StopOnCrash is going: nothing crashed
    }
    Armed& armed = TheArmed();
    StopOnce();
    SetEvent(armed.stopped);
    if (const HANDLE overflowed = armed.overflowed ? OpenThread(SYNCHRONIZE, FALSE, armed.overflowed)
                                                   : nullptr) {
        const HANDLE endOrReport[] = {overflowed, armed.unhandled};
        if (WaitForMultipleObjects(2, endOrReport, FALSE, SwallowedAfterMs) == WAIT_OBJECT_0 + 1) {
            WaitForSingleObject(overflowed, INFINITE);
        }
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_STACK_OVERFLOW));
    }
    return 0;
}

// A stack overflow on any thread, seen before anything else runs: what
// stack is left may not carry the filter, so the stopper writes the stop
// and this only waits for it, which takes next to no stack. (A stack
// overflow inside the port's own write is taken for one outside it.)
LONG WINAPI OnOverflow(EXCEPTION_POINTERS* info)
{
    Armed& armed = TheArmed();
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW && armed.stopper) {
        armed.overflowed = GetCurrentThreadId();
        SetEvent(armed.stop);
        WaitForSingleObject(armed.stopped, 2000);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// An unhandled exception on any thread: stop, then on to the filter that
// was there before ours (a library's, or none: Windows' own report).
LONG WINAPI OnException(EXCEPTION_POINTERS* info)
{
    Armed& armed = TheArmed();
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW &&
        armed.overflowed == GetCurrentThreadId()) {
        SetEvent(armed.unhandled); // Windows' report and end follow
    }
    const DWORD self = GetCurrentThreadId();
    if (armed.handingOn.load() == self) {
        // The next filter calls the one it found in place, which is ours
        // again since KeepFirst: the stop is out; on to Windows' own.
        return EXCEPTION_CONTINUE_SEARCH;
    }
    StopOnce();
    const LPTOP_LEVEL_EXCEPTION_FILTER next = armed.next.load();
    if (!next) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    armed.handingOn = self;
    const LONG result = next(info);
    armed.handingOn = 0;
    return result;
}

// abort(), and so std::terminate and an exception no one caught: the C
// library ends the process itself after this returns.
void OnAbort(int)
{
    StopOnce();
}

// What the window's thread keeps of its stack for the filter once its stack
// has overflowed (Windows XP x64 / Vista and later; elsewhere the few KB
// Windows keeps anyway).
constexpr ULONG StackForTheStop = 64 * 1024;

} // namespace

struct StopOnCrash::Saved {
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    void (*previousAbort)(int) = SIG_DFL;
    void* overflowHandler = nullptr;
    // This one's stopper thread and events: a later StopOnCrash (a second
    // window of a test) takes the process's place, not these.
    HANDLE stopper = nullptr;
    HANDLE events[3] = {}; // stop, stopped, unhandled
    StopperWaits waits;
};

StopOnCrash::StopOnCrash(PortOutput& port, const Controller& controller,
                         DrivenPorts& driven, const WriteInProgress& announced)
    : saved_(std::make_unique<Saved>())
{
    Armed& armed = TheArmed();
    armed.owner = this;
    armed.controller = &controller;
    armed.driven = &driven;
    armed.announced = &announced;
    armed.fired = false;
    armed.stopWriter = 0;
    armed.stopWritten = false;
    armed.port = &port;
    saved_->previousFilter = SetUnhandledExceptionFilter(&OnException);
    armed.next = saved_->previousFilter;
    saved_->previousAbort = std::signal(SIGABRT, &OnAbort);
    HANDLE* events = saved_->events;
    armed.stop = events[0] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    armed.stopped = events[1] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    armed.unhandled = events[2] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    saved_->waits.stop = events[0];
    armed.stopper = saved_->stopper =
        events[0] && events[1] && events[2]
            ? CreateThread(nullptr, 64 * 1024, &Stopper, &saved_->waits,
                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
            : nullptr;
    saved_->overflowHandler = AddVectoredExceptionHandler(1, &OnOverflow);
    const auto guarantee = BoundFunction<BOOL(WINAPI*)(PULONG)>(GetModuleHandleW(L"kernel32.dll"),
                                                                "SetThreadStackGuarantee");
    ULONG reserve = StackForTheStop;
    if (guarantee) {
        guarantee(&reserve);
    }
}

StopOnCrash::~StopOnCrash()
{
    if (saved_->overflowHandler) {
        RemoveVectoredExceptionHandler(saved_->overflowHandler);
    }
    Armed& armed = TheArmed();
    const bool armedNow = armed.owner.load() == this;
    if (armedNow) {
        std::signal(SIGABRT, saved_->previousAbort);
        SetUnhandledExceptionFilter(saved_->previousFilter);
        Disarm();
        armed.next = nullptr;
        armed.stopper = nullptr;
        armed.stop = armed.stopped = armed.unhandled = nullptr;
        armed.owner = nullptr;
    }
    if (saved_->stopper) {
        saved_->waits.ending = true;
        SetEvent(saved_->events[0]); // it ends without writing
        WaitForSingleObject(saved_->stopper, INFINITE);
        CloseHandle(saved_->stopper);
    }
    for (const HANDLE event : saved_->events) {
        if (event) {
            CloseHandle(event);
        }
    }
}

void StopOnCrash::KeepFirst() noexcept
{
    // A library may have put its filter in our place (ftd2xx, a port
    // library, a graphics driver): ours goes first again, and hands on to it.
    const LPTOP_LEVEL_EXCEPTION_FILTER now = SetUnhandledExceptionFilter(&OnException);
    if (now != &OnException) {
        TheArmed().next = now;
    }
}

void StopOnCrash::Disarm() noexcept
{
    if (TheArmed().owner.load() == this) {
        TheArmed().port = nullptr;
    }
}

bool StopOnCrash::Fired() const noexcept
{
    return TheArmed().fired.load();
}

} // namespace kovir
