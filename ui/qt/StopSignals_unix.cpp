#include "ui/qt/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovir {

namespace {

// Every signal whose default action ends the program without a core dump
// (those the crash stop takes): Ctrl+C, a shutdown or kill, the terminal
// going away, and the ones nothing in the program uses, which another
// program may send it all the same.
sigset_t StopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                             SIGIO, SIGPWR, SIGSTKFLT}) {
        sigaddset(&set, signal);
    }
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        sigaddset(&set, signal);
    }
    return set;
}

} // namespace

StopSignals::StopSignals()
{
    // A reader of the program's output that went away (`kovir 2>&1 | tee
    // log`, `kovir-sim | head`) must not end it unseen: the write fails
    // instead, and the simulated port shows that failure.
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = StopSet();
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        throw std::runtime_error("Signali za zaustavljanje ne mogu da se preuzmu.");
    }
    blocked_ = true;
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) {
        Release();
        throw std::runtime_error("Signali za zaustavljanje ne mogu da se preuzmu.");
    }
}

StopSignals::~StopSignals()
{
    Release();
}

void StopSignals::Deliver(std::function<void()> onSignal)
{
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [fd = fd_, onSignal = std::move(onSignal)] {
                         signalfd_siginfo info{};
                         while (read(fd, &info, sizeof info) == sizeof info) {
                         }
                         onSignal();
                     });
}

void StopSignals::Release()
{
    notifier_.reset();
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (blocked_) {
        const sigset_t set = StopSet();
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        blocked_ = false;
    }
}

} // namespace kovir
