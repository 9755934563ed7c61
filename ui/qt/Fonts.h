#pragma once

#include <QFont>

class QWidget;

namespace kovir {

// "Arial Black" at the given size. Where Arial Black is not installed a heavy
// face of the same build stands in (Roboto Black), rather than whatever
// regular sans-serif the system would otherwise pick.
QFont ArialBlack(qreal pointSize, QFont::Weight weight);

// The platform's dialog font, at the largest size (no larger than the
// platform's own) at which every default-font caption of `form` fits its
// fixed-size control.
void FitDefaultFont(QWidget& form);

} // namespace kovir
