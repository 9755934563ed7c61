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
    // Painted inside the wait, which is counted from here: the paint does
    // not lengthen the pulse on the port.
    port_.WaitIncluding(milliseconds, [this] {
        QCoreApplication::sendPostedEvents(&window_, QEvent::UpdateRequest);
    });
}

} // namespace kovir
