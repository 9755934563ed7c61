#include "ui/qt/FrameBox.h"

#include <QPainter>

namespace kovir {

FrameBox::FrameBox(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
    setAutoFillBackground(true);
}

void FrameBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect border = rect().adjusted(0, metrics.height() / 2, -1, -1);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(border.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(border.adjusted(1, 1, 0, 0));

    const QRect caption(TitleIndent, 0, metrics.horizontalAdvance(title()), metrics.height());
    p.fillRect(caption.adjusted(-2, 0, 2, 0), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
}

} // namespace kovir
