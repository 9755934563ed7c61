#include "ui/StopOnCrash.h"

#include <windows.h>

#include <csignal>

namespace kovir {

namespace {

// An exception filter takes no context: the port and the Controller it
// stops are the one place the process keeps them.
struct Armed {
    PortOutput* port = nullptr;
    const Controller* controller = nullptr;
    volatile LONG fired = 0;
};

Armed& TheArmed()
{
    static Armed armed;
    return armed;
}

void StopOnce()
{
    Armed& armed = TheArmed();
    if (armed.port && InterlockedExchange(&armed.fired, 1) == 0) {
        armed.port->StopFromCrash(armed.controller->LPTadresa());
    }
}

} // namespace

struct StopOnCrash::Saved {
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    void (*previousAbort)(int) = SIG_DFL;

    // An unhandled exception on any thread: stop, then on to Windows' own
    // report (or the filter that was there before).
    static LONG WINAPI OnException(EXCEPTION_POINTERS* info)
    {
        StopOnce();
        const LPTOP_LEVEL_EXCEPTION_FILTER previous = TheSaved()->previousFilter;
        return previous ? previous(info) : EXCEPTION_CONTINUE_SEARCH;
    }
    // abort(), and so std::terminate and an exception no one caught: the C
    // library ends the process itself after this returns.
    static void OnAbort(int)
    {
        StopOnce();
    }
    static Saved*& TheSaved()
    {
        static Saved* saved = nullptr;
        return saved;
    }
};

StopOnCrash::StopOnCrash(PortOutput& port, const Controller& controller)
    : saved_(std::make_unique<Saved>())
{
    Armed& armed = TheArmed();
    armed.port = &port;
    armed.controller = &controller;
    armed.fired = 0;
    Saved::TheSaved() = saved_.get();
    saved_->previousFilter = SetUnhandledExceptionFilter(&Saved::OnException);
    saved_->previousAbort = std::signal(SIGABRT, &Saved::OnAbort);
}

StopOnCrash::~StopOnCrash()
{
    std::signal(SIGABRT, saved_->previousAbort);
    SetUnhandledExceptionFilter(saved_->previousFilter);
    Saved::TheSaved() = nullptr;
    Armed& armed = TheArmed();
    armed.port = nullptr;
    armed.controller = nullptr;
}

} // namespace kovir
