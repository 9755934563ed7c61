#include "ui/qt/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovir {

namespace {

sigset_t StopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

StopSignals::StopSignals()
{
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
