#include "form/StopOnCrash.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <ctime>
#include <vector>

namespace kovir {

namespace {

// The signals whose default action is to end the program with a core dump.
constexpr std::array CrashSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT,
                                  SIGQUIT, SIGTRAP, SIGSYS, SIGXCPU, SIGXFSZ};

// A signal handler takes no context: the port and the Controller it stops
// are the one place the process keeps them.
struct Armed {
    std::atomic<PortOutput*> port{nullptr};
    const Controller* controller = nullptr;
    DrivenPorts* driven = nullptr;
    const WriteInProgress* announced = nullptr;
    std::atomic<bool> fired{false};
    std::atomic<long> stopper{0};      // the thread writing the stop
    std::atomic<bool> stopped{false};  // its stop written
};

Armed& TheArmed()
{
    static Armed armed;
    return armed;
}

// How long a crash waits for another thread's crash to finish the stop.
constexpr int WaitForTheStopMs = 1000;

void OnCrash(int signal)
{
    Armed& armed = TheArmed();
    const long self = syscall(SYS_gettid);
    if (!armed.fired.exchange(true)) {
        armed.stopper = self;
        if (PortOutput* port = armed.port.load()) {
            StopEveryDrivenPort(*port, *armed.controller, *armed.driven, *armed.announced);
        }
        armed.stopped = true;
    } else if (armed.stopper.load() != self) {
        // Another thread crashed first and is writing the stop (a board's
        // takes about a millisecond): this crash ends the process only once
        // that is done, or after a second. (A crash inside the stop, on the
        // stopping thread, ends it at once.)
        for (int waited = 0; !armed.stopped.load() && waited < WaitForTheStopMs; ++waited) {
            const timespec millisecond{0, 1'000'000};
            nanosleep(&millisecond, nullptr);
        }
    }
    // The default action back, and the signal not blocked (SA_NODEFER):
    // this ends the process as the crash would have, on its own thread.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    std::raise(signal);
}

struct sigaction CrashAction()
{
    struct sigaction action {};
    action.sa_handler = &OnCrash;
    // Not SA_RESETHAND: a second crash on another thread must find this
    // handler, and wait for the first one's stop, not end the process now.
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    return action;
}

} // namespace

struct StopOnCrash::Saved {
    std::vector<char> stack;
    stack_t previousStack{};
    std::array<struct sigaction, CrashSignals.size()> previous{};
};

StopOnCrash::StopOnCrash(PortOutput& port, const Controller& controller,
                         DrivenPorts& driven, const WriteInProgress& announced)
    : saved_(std::make_unique<Saved>())
{
    // A stack of its own for this thread, so that its stack overflowing is
    // covered too.
    saved_->stack.resize(64 * 1024);
    stack_t stack{};
    stack.ss_sp = saved_->stack.data();
    stack.ss_size = saved_->stack.size();
    sigaltstack(&stack, &saved_->previousStack);

    Armed& armed = TheArmed();
    armed.controller = &controller;
    armed.driven = &driven;
    armed.announced = &announced;
    armed.fired = false;
    armed.stopper = 0;
    armed.stopped = false;
    armed.port = &port;
    const struct sigaction action = CrashAction();
    for (std::size_t i = 0; i < CrashSignals.size(); ++i) {
        sigaction(CrashSignals[i], &action, &saved_->previous[i]);
    }
}

StopOnCrash::~StopOnCrash()
{
    for (std::size_t i = 0; i < CrashSignals.size(); ++i) {
        sigaction(CrashSignals[i], &saved_->previous[i], nullptr);
    }
    Disarm();
    sigaltstack(&saved_->previousStack, nullptr);
}

void StopOnCrash::KeepFirst() noexcept
{
    const struct sigaction ours = CrashAction();
    for (const int signal : CrashSignals) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler != ours.sa_handler) {
            sigaction(signal, &ours, nullptr);
        }
    }
}

void StopOnCrash::Disarm() noexcept
{
    TheArmed().port = nullptr;
}

bool StopOnCrash::Fired() const noexcept
{
    return TheArmed().fired.load();
}

} // namespace kovir
