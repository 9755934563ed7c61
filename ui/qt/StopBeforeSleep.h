#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <functional>

class QDBusPendingCallWatcher;

namespace kovir {

// Holds logind's "sleep" lock in delay mode for as long as the program runs:
// when the PC is about to sleep (PrepareForSleep true), `stop` runs, and only
// then is the lock let go, so that the device is stopped before the PC
// sleeps; on waking (PrepareForSleep false) the lock is taken again. Without
// a system bus or a logind nothing happens, and nothing is said.
class StopBeforeSleep final : public QObject {
    Q_OBJECT

public:
    explicit StopBeforeSleep(std::function<void()> stop);

private Q_SLOTS:
    void OnPrepareForSleep(bool sleeping);

private:
    void TakeLock();

    std::function<void()> stop_;
    QDBusUnixFileDescriptor lock_; // held: the PC waits for us to let go
};

} // namespace kovir
