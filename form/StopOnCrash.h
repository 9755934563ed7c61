#pragma once

#include "core/Controller.h"
#include "port/DrivenPorts.h"
#include "port/PortOutput.h"
#include "port/WriteInProgress.h"

#include <memory>

namespace kovir {

// While one of these lives, a crash acts as a close does: 0 goes to the
// selected port and to every other port the run left driving, and then the
// crash goes on as it would have. A fault in
// the program, a library or the display connection thus never leaves the
// device driving. The stop is written only through what the port prepared
// at its earlier writes, and only once: a crash inside it, or inside the
// port's own write on the same thread, writes nothing more.
//
// Linux: every signal whose default action ends the program with a core
// dump (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGQUIT, SIGTRAP, SIGSYS,
// SIGXCPU, SIGXFSZ), on any thread; then the same signal again, with the
// same status and core dump. The handler runs on a stack of its own on the
// thread that armed it (the window's), so that thread's stack overflowing
// is covered too; on any other thread (the toolkit's) it runs on that
// thread's own stack, which covers everything but that stack overflowing.
// Windows: an unhandled exception on any thread, then the filter that was
// there before (or Windows' own report), and abort(). The window's thread
// keeps stack in reserve for the filter after its stack overflows.
class StopOnCrash {
public:
    // `announced`: where each byte is announced before its check that no
    // crash's stop has gone out; the stop waits for an announced byte.
    StopOnCrash(PortOutput& port, const Controller& controller, DrivenPorts& driven,
                const WriteInProgress& announced);
    ~StopOnCrash();
    StopOnCrash(const StopOnCrash&) = delete;
    StopOnCrash& operator=(const StopOnCrash&) = delete;

    // Makes the stop the first to run again where a library loaded since
    // put its own handler in its place; theirs runs after it.
    void KeepFirst() noexcept;

    // From now on a crash writes nothing: after a failure (that port has
    // just failed) or once the program has written its last stop.
    void Disarm() noexcept;

    // True once a crash's stop has been written. A crash that something
    // swallowed lets the program run on until it ends: nothing may reach
    // the port after that stop.
    bool Fired() const noexcept;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_; // what was there before, given back at the end
};

// The crash's stop, the same on every system: the chosen port first, then
// every other port the run left driving.
// A port whose stop went out is at rest: the guard leaves it so.
// A byte another thread announced before the crash goes out first: the
// stop waits for it, no longer than a board's write may take.
inline void StopEveryDrivenPort(PortOutput& port, const Controller& controller,
                                DrivenPorts& driven, const WriteInProgress& announced) noexcept
{
    constexpr std::uint32_t LongestWriteMs = 600; // a board's write timeout, 500 ms, and some
    announced.AwaitOtherThread(LongestWriteMs);
    const std::int16_t chosen = controller.LPTadresa();
    if (port.StopFromCrash(chosen)) {
        driven.Stopped(chosen);
    }
    driven.ForEachDriving([&port, &driven, chosen](std::int16_t other) {
        if (other != chosen && port.StopFromCrash(other)) {
            driven.Stopped(other);
        }
    });
}

} // namespace kovir
