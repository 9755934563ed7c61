#include "ui/Fonts.h"

#include "ui/FrameBox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace kovir {

namespace {

constexpr const char* StandIn = "Roboto Black";

void SubstituteOnce()
{
    if (!QFont::substitutes("Arial Black").contains(StandIn)) {
        QFont::insertSubstitution("Arial Black", StandIn);
    }
}

// Whether `caption` drawn in `metrics` fits in `w`.
bool Fits(const QWidget& w, const QString& caption, const QFontMetrics& metrics)
{
    const int width = metrics.horizontalAdvance(caption);
    if (dynamic_cast<const FrameBox*>(&w)) {
        return FrameBox::TitleIndent + width + FrameBox::TitleIndent <= w.width();
    }
    return width <= w.width() && metrics.height() <= w.height();
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
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (qreal size = font.pointSizeF(); size > 5.0; size -= 0.25) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(captioned.begin(), captioned.end(),
                                      [&](QWidget* w) { return Fits(*w, Caption(*w), metrics); });
        if (fits) {
            break;
        }
    }
    form.setFont(font);
}

} // namespace kovir
