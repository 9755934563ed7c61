#pragma once

#include "core/ButtonPanel.h"
#include "core/Controller.h"
#include "form/Form1Description.h"
#include "form/StopOnCrash.h"
#include "port/PortOutput.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace kovir {

// What both windows do alike, with no toolkit in it: the port and the
// Controller the form owns for its whole life, the stop at a crash (armed
// before Load), the failure latch, and the stop-once Unload after which
// nothing reaches the port. A window makes its controls, paints, and
// delivers its events here; nothing more.
class FormSession {
public:
    struct Window {
        std::function<void()> paint;   // puts what changed on the screen, now
        std::function<void()> endLoop; // ends the event loop, status 1
    };
    FormSession(std::unique_ptr<PortOutput> port, ButtonPanel& panel, Window window);

    // The form's Load: the Controller's Start. A failure goes to the caller:
    // no window is shown.
    void Load();

    // Runs one event's work. A failure must not unwind through the toolkit:
    // the first is kept, the event loop is ended, and nothing is acted on
    // after it. A failure that is not the port's own (memory running out
    // while the window paints, say) stops the device first, as the close
    // does: the port still works.
    template <typename Work> void Handle(Work&& work)
    {
        if (failed_) {
            return;
        }
        try {
            work();
            // A library the work loaded may have put its crash handler first.
            stopOnCrash_.KeepFirst();
        } catch (...) {
            failed_ = true;
            failure_ = std::current_exception();
            if (painting_.Failed()) {
                stopOnCrash_.Disarm(); // that port has just failed
            } else {
                StopAfterFailure();
            }
            window_.endLoop();
        }
    }
    // A click's (or its key's) work; none once the form has unloaded.
    void Click(const ClickAction& click);

    // The form's Unload: the stop byte goes to the selected port, then to
    // every other port the run left driving, once, whichever way the
    // program is ending, and never after the port's own failure (that port
    // has just failed); after it nothing reaches the port, a crash's stop included,
    // and the port is told so. A failure of its own goes to the caller.
    void Unload();

    // The PC is about to sleep: the device is stopped as by Stop, every
    // other port left driving gets its 0, and the window shows it stopped.
    // On waking nothing is written; the next command drives as usual.
    void Sleep();

    // The end was asked for (a signal, the console, a logoff) rather than
    // chosen by the operator: then no message may wait for a click.
    void AskEnd() { endAsked_ = true; }
    bool EndAsked() const { return endAsked_; }

    bool Failed() const { return failed_; }
    // The first failure of an event's work; it ended the event loop.
    std::exception_ptr TakeFailure() { return std::exchange(failure_, nullptr); }

    // The port as the window has it: what it shows in a wait is painted
    // inside the wait.
    PortOutput& Port() { return painting_; }

private:
    void StopAfterFailure() noexcept;
    void StopOthersDriving();

    // The device, with the window's paint done inside each wait: counted
    // from the byte on the lines, so the paint does not lengthen the pulse.
    // Nothing reaches the device after a crash's stop.
    class PaintingPort final : public PortOutput {
    public:
        PaintingPort(PortOutput& device, const std::function<void()>& paint, const StopOnCrash& crash,
                     DrivenPorts& driven)
            : device_(device), paint_(paint), crash_(crash), driven_(driven) {}
        void PortOut(std::int16_t port, std::uint8_t value) override
        {
            // Announced before the check: a crash's stop on another thread
            // either went out first, and this byte sees it, or waits for
            // this byte and goes out after it.
            const WriteInProgress::During announced(announced_);
            if (!crash_.Fired()) {
                driven_.Writing(port);
                try {
                    device_.PortOut(port, value);
                } catch (...) {
                    failed_ = true;
                    throw;
                }
                driven_.Wrote(port, value);
            }
        }
        // Whether the device itself failed, rather than something else.
        bool Failed() const { return failed_; }
        const WriteInProgress& Announced() const { return announced_; }
        void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile) override;
        std::string DrivenPortName(std::int16_t port) override { return device_.DrivenPortName(port); }

    private:
        PortOutput& device_;
        const std::function<void()>& paint_;
        const StopOnCrash& crash_; // a member made after this one, used only once both are
        DrivenPorts& driven_;
        WriteInProgress announced_; // the thread whose byte is on its way
        bool failed_ = false;
    };

    std::unique_ptr<PortOutput> device_;
    Window window_;
    DrivenPorts ownDriven_; // where the port keeps no shared one
    DrivenPorts& driven_;
    PaintingPort painting_;
    Controller controller_;
    StopOnCrash stopOnCrash_; // through the device itself, not its painting
    std::exception_ptr failure_;
    bool failed_ = false;
    bool unloaded_ = false;
    bool endAsked_ = false;
};

} // namespace kovir
