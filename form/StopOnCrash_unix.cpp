#include "ui/StopOnCrash.h"

#include <array>
#include <csignal>
#include <vector>

namespace kovir {

namespace {

constexpr std::array CrashSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// A signal handler takes no context: the port and the Controller it stops
// are the one place the process keeps them.
struct Armed {
    PortOutput* port = nullptr;
    const Controller* controller = nullptr;
    volatile std::sig_atomic_t fired = 0;
};

Armed& TheArmed()
{
    static Armed armed;
    return armed;
}

void OnCrash(int signal)
{
    Armed& armed = TheArmed();
    if (armed.port && !armed.fired) {
        armed.fired = 1;
        armed.port->StopFromCrash(armed.controller->LPTadresa());
    }
    // The default action is back (SA_RESETHAND) and the signal not blocked
    // (SA_NODEFER): this ends the process as the crash would have.
    std::raise(signal);
}

} // namespace

struct StopOnCrash::Saved {
    std::vector<char> stack;
    stack_t previousStack{};
    std::array<struct sigaction, CrashSignals.size()> previous{};
};

StopOnCrash::StopOnCrash(PortOutput& port, const Controller& controller)
    : saved_(std::make_unique<Saved>())
{
    // A stack of its own, so that a stack overflow is covered too.
    saved_->stack.resize(64 * 1024);
    stack_t stack{};
    stack.ss_sp = saved_->stack.data();
    stack.ss_size = saved_->stack.size();
    sigaltstack(&stack, &saved_->previousStack);

    Armed& armed = TheArmed();
    armed.port = &port;
    armed.controller = &controller;
    armed.fired = 0;
    struct sigaction action {};
    action.sa_handler = &OnCrash;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < CrashSignals.size(); ++i) {
        sigaction(CrashSignals[i], &action, &saved_->previous[i]);
    }
}

StopOnCrash::~StopOnCrash()
{
    for (std::size_t i = 0; i < CrashSignals.size(); ++i) {
        sigaction(CrashSignals[i], &saved_->previous[i], nullptr);
    }
    Armed& armed = TheArmed();
    armed.port = nullptr;
    armed.controller = nullptr;
    sigaltstack(&saved_->previousStack, nullptr);
}

} // namespace kovir
