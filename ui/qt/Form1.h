#pragma once

#include "core/ButtonPanel.h"
#include "core/Controller.h"
#include "port/PortOutput.h"
#include "ui/qt/Form1Layout.h"
#include "ui/qt/PaintBeforeWait.h"

#include <QWidget>

#include <exception>
#include <memory>
#include <utility>

namespace kovir {

// The program's one window. It owns the port and the Controller for its
// whole life, shows the Controller's colours on its buttons, and turns each
// click into one Controller operation. Constructing it is the form's Load:
// the Controller's Start runs before the window can be shown.
class Form1 final : public QWidget, public ButtonPanel {
public:
    explicit Form1(std::unique_ptr<PortOutput> port);
    ~Form1() override;

    void SetBackColor(Button button, ColourRef colour) override;

    // The form's Unload: the stop byte goes to the selected port, once,
    // whichever way the program is ending.
    void Unload();

    const Form1Controls& Controls() const { return controls_; }

    // What the window drives: the selected port is the one a crash stops.
    const Controller& Commands() const { return controller_; }

    // The first failure of an event handler; it ended the event loop.
    std::exception_ptr TakeFailure() { return std::exchange(failure_, nullptr); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void WireEvents();
    void NameDrivenPorts();
    void WireKeys();
    // Runs one handler's work. A failure must not unwind through the
    // toolkit: the first is kept, the event loop is ended, and nothing is
    // acted on after it.
    template <typename Work> void Handle(Work&& work);

    std::unique_ptr<PortOutput> port_;
    PaintBeforeWait paintingPort_;
    Controller controller_;
    Form1Controls controls_;
    std::exception_ptr failure_;
    bool unloaded_ = false;
};

} // namespace kovir
