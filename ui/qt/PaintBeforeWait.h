#pragma once

#include "port/PortOutput.h"

class QWidget;

namespace kovir {

// A wait blocks the event thread, and with it all painting. So that the
// operator sees what the command just showed (the yellow sound button) for
// the whole wait, what changed in the window is painted to the screen at the
// start of the wait: only that, and inside the wait's time, so that the pulse
// on the port is no longer for it.
class PaintBeforeWait final : public PortOutput {
public:
    PaintBeforeWait(PortOutput& port, QWidget& window) : port_(port), window_(window) {}

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds) override;
    std::string DrivenPortName(std::int16_t port) override { return port_.DrivenPortName(port); }

private:
    PortOutput& port_;
    QWidget& window_;
};

} // namespace kovir
