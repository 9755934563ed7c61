#pragma once

#include "port/PortOutput.h"

#include <windows.h>

namespace kovir {

// A wait blocks the message loop, and with it all painting. So that the
// operator sees what the command just showed (the yellow sound button) for
// the whole wait, what changed in the window is painted before the wait.
class PaintBeforeWait final : public PortOutput {
public:
    PaintBeforeWait(PortOutput& port, HWND& window) : port_(port), window_(window) {}

    void PortOut(std::int16_t port, std::uint8_t value) override { port_.PortOut(port, value); }
    void Wait(std::uint32_t milliseconds) override;
    std::string DrivenPortName(std::int16_t port) override { return port_.DrivenPortName(port); }

private:
    PortOutput& port_;
    HWND& window_; // set once the window exists
};

} // namespace kovir
