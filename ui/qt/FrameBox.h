#pragma once

#include <QGroupBox>

namespace kovir {

// A frame as the form draws one: an etched border with the caption set into
// its top edge. Painted here rather than by the platform style, whose frame is
// an image: reading it loads every image-format plugin at start-up, for a few
// lines.
class FrameBox final : public QGroupBox {
public:
    FrameBox(const QString& title, QWidget* parent);

    // Where the caption starts; the same margin stays free on its right.
    static constexpr int TitleIndent = 6;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kovir
