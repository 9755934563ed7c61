#include "ui/qt/PaintBeforeWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace kovir {

void PaintBeforeWait::PortOut(std::int16_t port, std::uint8_t value)
{
    port_.PortOut(port, value);
}

void PaintBeforeWait::Wait(std::uint32_t milliseconds)
{
    QCoreApplication::sendPostedEvents(&window_, QEvent::UpdateRequest);
    port_.Wait(milliseconds);
}

} // namespace kovir
