#pragma once

#include "core/ButtonPanel.h"
#include "form/FormSession.h"
#include "port/PortOutput.h"
#include "ui/qt/Form1Layout.h"

#include <QWidget>

#include <memory>

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

    const Form1Controls& Controls() const { return controls_; }

    // Its port, Controller, failure latch and Unload.
    FormSession& Session() { return session_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void WireEvents();
    void NameDrivenPorts();
    void WireKeys();

    FormSession session_;
    Form1Controls controls_;
};

} // namespace kovir
