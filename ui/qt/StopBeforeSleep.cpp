#include "ui/qt/StopBeforeSleep.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kovir {

namespace {

constexpr auto Login = "org.freedesktop.login1";
constexpr auto Path = "/org/freedesktop/login1";
constexpr auto Manager = "org.freedesktop.login1.Manager";

} // namespace

StopBeforeSleep::StopBeforeSleep(std::function<void()> stop) : stop_(std::move(stop))
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    bus.connect(Login, Path, Manager, "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
    TakeLock();
}

void StopBeforeSleep::TakeLock()
{
    // Asked for without waiting: the window does not wait for the bus.
    QDBusMessage inhibit = QDBusMessage::createMethodCall(Login, Path, Manager, "Inhibit");
    inhibit << QString("sleep") << QString("kovir")
            << QString::fromUtf8("Uređaj se zaustavlja pre spavanja računara.") << QString("delay");
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(inhibit), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
        if (!reply.isError()) {
            lock_ = reply.value();
        }
        call->deleteLater();
    });
}

void StopBeforeSleep::OnPrepareForSleep(bool sleeping)
{
    if (sleeping) {
        stop_();
        lock_ = QDBusUnixFileDescriptor(); // let go: the PC may sleep now
    } else {
        TakeLock();
    }
}

} // namespace kovir
