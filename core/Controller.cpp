#include "core/Controller.h"

#include <initializer_list>

namespace kovir {

Controller::Controller(PortOutput& port, ButtonPanel& panel) : port_(port), panel_(panel) {}

void Controller::Start()
{
    LPTadresa_ = static_cast<std::int16_t>(StartPort);
    Stop();
}

void Controller::Move(Direction direction)
{
    const DirectionCommand command = CommandFor(direction);
    ResetDirectionButtons();
    Komanda_ = command.byte;
    port_.PortOut(LPTadresa_, Komanda_);
    panel_.SetBackColor(command.button, colour::Pressed);
    panel_.SetBackColor(Button::Command6, colour::StopWhileMoving);
}

void Controller::Stop()
{
    ResetDirectionButtons();
    Komanda_ = StopByte;
    port_.PortOut(LPTadresa_, StopByte);
    panel_.SetBackColor(Button::Command6, colour::StopWhenStopped);
}

void Controller::Sound()
{
    // The motion bits stay as they are: a moving device keeps moving while it sounds.
    Komanda_ = CheckedCommandByte(static_cast<std::int16_t>(Komanda_ + SoundBit));
    port_.PortOut(LPTadresa_, Komanda_);
    panel_.SetBackColor(Button::Command5, colour::Pressed);
    port_.Wait(SoundPulseMs);
    Komanda_ = CheckedCommandByte(static_cast<std::int16_t>(Komanda_ - SoundBit));
    port_.PortOut(LPTadresa_, Komanda_);
    panel_.SetBackColor(Button::Command5, colour::SoundAtRest);
}

void Controller::SelectPort(PortAddress address)
{
    // Only later writes move; the port left behind keeps its last byte.
    LPTadresa_ = static_cast<std::int16_t>(address);
}

void Controller::Close()
{
    port_.PortOut(LPTadresa_, StopByte);
}

void Controller::ResetDirectionButtons()
{
    for (Button b : {Button::Command1, Button::Command2, Button::Command3, Button::Command4}) {
        panel_.SetBackColor(b, colour::DirectionAtRest);
    }
}

} // namespace kovir
