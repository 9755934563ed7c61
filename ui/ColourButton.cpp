#include "ui/ColourButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace kovir {

namespace {

// A raised (or, while held down, sunken) two-pixel bevel around the face.
void DrawBevel(QPainter& p, const QRect& r, bool sunken)
{
    const QColor light(Qt::white), shadow(Qt::darkGray), dark(Qt::black), mid(Qt::lightGray);
    const QColor topLeftOuter = sunken ? dark : light;
    const QColor bottomRightOuter = sunken ? light : dark;
    const QColor topLeftInner = sunken ? shadow : mid;
    const QColor bottomRightInner = sunken ? mid : shadow;
    auto frame = [&p](const QRect& box, const QColor& tl, const QColor& br) {
        p.setPen(tl);
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.topLeft(), box.bottomLeft());
        p.setPen(br);
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomRight());
    };
    frame(r, topLeftOuter, bottomRightOuter);
    frame(r.adjusted(1, 1, -1, -1), topLeftInner, bottomRightInner);
}

} // namespace

ColourButton::ColourButton(const QString& caption, QColor face, QWidget* parent)
    : QAbstractButton(parent), face_(face)
{
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColourButton::SetFace(QColor face)
{
    if (face != face_) {
        face_ = face;
        update();
    }
}

QSize ColourButton::sizeHint() const
{
    return fontMetrics().size(Qt::TextShowMnemonic, text()) + QSize(16, 10);
}

void ColourButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool sunken = isDown() || isChecked();
    const QRect all = rect();
    p.fillRect(all, face_);
    DrawBevel(p, all, sunken);

    if (!text().isEmpty()) {
        p.setPen(palette().color(QPalette::ButtonText));
        p.setFont(font());
        const QRect textArea = all.translated(sunken ? 1 : 0, sunken ? 1 : 0);
        p.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = all.adjusted(4, 4, -4, -4);
        focus.backgroundColor = face_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace kovir
