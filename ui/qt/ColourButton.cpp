#include "ui/qt/ColourButton.h"

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
    const auto paintAgain = [this] { setUpdatesEnabled(true); };
    connect(this, &QAbstractButton::pressed, this, paintAgain);
    connect(this, &QAbstractButton::released, this, paintAgain);
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

// Qt paints a button's pressed and released look at once, synchronously, and
// with it every other pending change of the window: tens of microseconds
// between the operator's click and the byte on the port. So while Qt handles
// a press or a release, this button takes no paints; they come back, as a
// scheduled repaint, the moment Qt announces the press or release, which is
// before any click handler runs (the sound pulse's yellow must still reach
// the screen).
template <typename Handler> void ColourButton::WithoutPaints(Handler handler)
{
    setUpdatesEnabled(false);
    handler();
    setUpdatesEnabled(true);
}

void ColourButton::mousePressEvent(QMouseEvent* e)
{
    WithoutPaints([&] { QAbstractButton::mousePressEvent(e); });
}

void ColourButton::mouseReleaseEvent(QMouseEvent* e)
{
    WithoutPaints([&] { QAbstractButton::mouseReleaseEvent(e); });
}

void ColourButton::keyPressEvent(QKeyEvent* e)
{
    WithoutPaints([&] { QAbstractButton::keyPressEvent(e); });
}

void ColourButton::keyReleaseEvent(QKeyEvent* e)
{
    WithoutPaints([&] { QAbstractButton::keyReleaseEvent(e); });
}

void ColourButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool sunken = isDown() || isChecked();
    const QRect all = rect();
    p.fillRect(all, face_);
    DrawBevel(p, all, sunken);

    if (!text().isEmpty()) {
        if (caption_.text() != text() || captionFont_ != font()) {
            caption_.setText(text());
            captionFont_ = font();
            caption_.prepare(QTransform(), captionFont_);
        }
        p.setPen(palette().color(QPalette::ButtonText));
        p.setFont(captionFont_);
        const QSizeF size = caption_.size();
        const QPointF topLeft((width() - size.width()) / 2 + (sunken ? 1 : 0),
                              (height() - size.height()) / 2 + (sunken ? 1 : 0));
        p.drawStaticText(topLeft, caption_);
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
