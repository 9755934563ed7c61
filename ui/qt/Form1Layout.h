#pragma once

#include "core/Button.h"

#include <array>

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
    std::array<QLabel*, 2> Label5; // [0] "ZVUK" over the sound button, [1] "Stop"
    std::array<ColourButton*, ButtonCount> Command; // Command[0] is Command1
};

// The window's fixed client size, in pixels at 96 dpi.
inline constexpr int Form1Width = 5880 / 15;
inline constexpr int Form1Height = 3795 / 15;

// Creates every control on `form` at its place, in its colours and fonts, in
// keyboard order, with Option1 selected.
Form1Controls CreateForm1Controls(QWidget& form);

} // namespace kovir
