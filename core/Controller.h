#pragma once

#include "core/ButtonPanel.h"
#include "core/Commands.h"
#include "port/PortOutput.h"

#include <cstdint>

namespace kovir {

// Carries out every operator command as a fixed sequence of port writes,
// waits and button recolourings. The order of those calls is the device's
// view of the program, so each operation makes exactly its calls, in order.
class Controller {
public:
    Controller(PortOutput& port, ButtonPanel& panel);

    void Start();
    void Move(Direction direction);
    void Stop();
    void Sound();
    void SelectPort(PortAddress address);
    void Close();

    std::int16_t LPTadresa() const { return LPTadresa_; }
    std::uint8_t Komanda() const { return Komanda_; }

private:
    void ResetDirectionButtons();

    PortOutput& port_;
    ButtonPanel& panel_;
    std::int16_t LPTadresa_ = static_cast<std::int16_t>(StartPort);
    std::uint8_t Komanda_ = StopByte;
};

} // namespace kovir
