#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace kovir {

// Ctrl+C in the terminal (SIGINT), a shutdown or kill (SIGTERM), the
// terminal going away (SIGHUP) and every other signal whose default would
// end the program without a core dump (SIGUSR1, SIGALRM, SIGPWR, the
// real-time ones...) end it the way closing the window does, so the device
// is never left driving. SIGPIPE is ignored. The signals are blocked from
// construction on, before the toolkit starts threads that could take them,
// and read from a descriptor in the event loop: no handler runs at all.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // From now on a stop signal calls `onSignal` on the event thread.
    void Deliver(std::function<void()> onSignal);

    // Gives the signals back their default effect, for when there is no
    // window left to close.
    void Release();

private:
    int fd_ = -1;
    bool blocked_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace kovir
