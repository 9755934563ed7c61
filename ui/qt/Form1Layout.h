#pragma once

#include "core/Button.h"

#include <QSize>
#include <QString>

#include <array>
#include <string_view>

class QLabel;
class QRadioButton;
class QWidget;

namespace kovir {

class ColourButton;
class FrameBox;

// The sixteen controls of the window, each named as on the form.
struct Form1Controls {
    QLabel* Label1;
    FrameBox* Frame1;
    QRadioButton* Option3;
    QRadioButton* Option2;
    QRadioButton* Option1;
    QLabel* Label6;
    QLabel* Label4;
    QLabel* Label3;
    std::array<QLabel*, 2> Label5;                  // [0] "ZVUK" over the sound button, [1] "Stop"
    std::array<ColourButton*, ButtonCount> Command; // Command[0] is Command1
};

// The window's fixed client size, from the description's twips.
QSize Form1ClientSize();

// A text of the description (UTF-8) as Qt's.
QString Text(std::string_view text);

// Creates every control on `form` at its place, in its colours and fonts, in
// keyboard order, with the start port's option selected.
Form1Controls CreateForm1Controls(QWidget& form);

} // namespace kovir
