#include "form/StopOnCrash.h"

#include <array>
#include <atomic>
#include <csignal>
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
    std::atomic<bool> fired{false};
};

Armed& TheArmed()
{
    static Armed armed;
    return armed;
}

void OnCrash(int signal)
{
    Armed& armed = TheArmed();
    PortOutput* port = armed.port.load();
    if (port && !armed.fired.exchange(true)) {
        StopEveryDrivenPort(*port, *armed.controller, *armed.driven);
    }
    // The default action is back (SA_RESETHAND) and the signal not blocked
    // (SA_NODEFER): this ends the process as the crash would have, on the
    // thread it happened on.
    std::raise(signal);
}

struct sigaction CrashAction()
{
    struct sigaction action {};
    action.sa_handler = &OnCrash;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
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
                         DrivenPorts& driven)
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
    armed.fired = false;
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
