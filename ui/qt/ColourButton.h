#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QStaticText>

namespace kovir {

// A button in graphical style: its whole face is its background colour,
// whatever the platform style would draw, and the colour can change at any
// time for the cost of one scheduled repaint.
class ColourButton final : public QAbstractButton {
public:
    ColourButton(const QString& caption, QColor face, QWidget* parent);

    void SetFace(QColor face);
    QColor Face() const { return face_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    template <typename Handler> void WithoutPaints(Handler handler);

    QColor face_;
    QStaticText caption_; // laid out once: shaping the text is most of a paint
    QFont captionFont_;
};

} // namespace kovir
