#include "form/FormSession.h"

namespace kovir {

FormSession::FormSession(std::unique_ptr<PortOutput> port, ButtonPanel& panel, Window window)
    : device_(std::move(port)), window_(std::move(window)),
      driven_(device_->SharedDrivenPorts() ? *device_->SharedDrivenPorts() : ownDriven_),
      painting_(*device_, window_.paint, stopOnCrash_, driven_), controller_(painting_, panel),
      stopOnCrash_(*device_, controller_, driven_, painting_.Announced())
{
}

void FormSession::Load()
{
    controller_.Start();
    // The first write bound the port's libraries: the crash stop first again.
    stopOnCrash_.KeepFirst();
}

void FormSession::Click(const ClickAction& click)
{
    if (!unloaded_) {
        Handle([this, &click] { RunClick(controller_, click); });
    }
}

void FormSession::Sleep()
{
    if (!unloaded_) {
        Handle([this] {
            controller_.Stop();
            StopOthersDriving();
        });
    }
}

void FormSession::StopOthersDriving()
{
    // A port chosen away from while it drove would drive on with no
    // program left to stop it.
    driven_.ForEachDriving([this](std::int16_t port) { painting_.PortOut(port, 0); });
}

void FormSession::Unload()
{
    if (!unloaded_ && !painting_.Failed()) {
        unloaded_ = true;
        controller_.Close();
        StopOthersDriving();
        stopOnCrash_.Disarm();
        device_->LastStopWritten();
    }
}

void FormSession::StopAfterFailure() noexcept
{
    try {
        Unload();
    } catch (...) {
        // The stop itself failed: the port keeps what it last received.
    }
}

void FormSession::PaintingPort::Wait(std::uint32_t milliseconds,
                                     const std::function<void()>& meanwhile)
{
    // What fails inside the wait is the window's, not the device's: the
    // pulse still lasts its time, and the failure comes after it.
    std::exception_ptr notTheDevice;
    try {
        device_.Wait(milliseconds, [this, &meanwhile, &notTheDevice] {
            try {
                paint_();
                if (meanwhile) {
                    meanwhile();
                }
            } catch (...) {
                notTheDevice = std::current_exception();
            }
        });
    } catch (...) {
        failed_ = true;
        throw;
    }
    if (notTheDevice) {
        std::rethrow_exception(notTheDevice);
    }
}

} // namespace kovir
