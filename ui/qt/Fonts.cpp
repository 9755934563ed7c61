#include "ui/qt/Fonts.h"

#include "ui/qt/FrameBox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kovir {

namespace {

constexpr const char* StandIn = "Roboto Black";

void SubstituteOnce()
{
    if (!QFont::substitutes("Arial Black").contains(StandIn)) {
        QFont::insertSubstitution("Arial Black", StandIn);
    }
}

// How much room `caption` drawn in `metrics` needs, as a share of what `w`
// has: 1 or less fits.
qreal Demand(const QWidget& w, const QString& caption, const QFontMetrics& metrics)
{
    const qreal width = metrics.horizontalAdvance(caption);
    if (dynamic_cast<const FrameBox*>(&w)) {
        return (FrameBox::TitleIndent + width + FrameBox::TitleIndent) / w.width();
    }
    return std::max(width / w.width(), qreal(metrics.height()) / w.height());
}

QString Caption(const QWidget& w)
{
    if (const auto* box = qobject_cast<const QGroupBox*>(&w)) {
        return box->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&w)) {
        return label->text();
    }
    return {};
}

} // namespace

QFont ArialBlack(qreal pointSize, QFont::Weight weight)
{
    SubstituteOnce();
    QFont font("Arial Black");
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void FitDefaultFont(QWidget& form)
{
    QList<QWidget*> captioned;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->testAttribute(Qt::WA_SetFont) && !Caption(*w).isEmpty()) {
            captioned.push_back(w);
        }
    }
    // Every size tried loads a font, which costs start-up time. Text grows
    // nearly in proportion with the size, so one measurement points at the
    // answer; whole pixels round either way, so the search starts one step
    // above where the proportion points and goes down from there.
    constexpr qreal Step = 0.25, Smallest = 5.0;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    qreal size = font.pointSizeF();
    for (;;) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        qreal worst = 0;
        for (QWidget* w : captioned) {
            worst = std::max(worst, Demand(*w, Caption(*w), metrics));
        }
        if (worst <= 1 || size - Step < Smallest) {
            break;
        }
        const qreal proportional = std::floor(size / worst / Step) * Step;
        size = std::max(Smallest, std::min(proportional + Step, size - Step));
    }
    form.setFont(font);
}

} // namespace kovir
