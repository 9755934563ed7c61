#pragma once

#include "form/Form1Description.h"

#include <span>
#include <string>
#include <string_view>

namespace kovir {

// The keys that press the buttons, whatever has the focus: an operator, or
// a pendant that types keys, drives without the mouse, and Esc stops from
// anywhere. A key does exactly what a click of its button does. The keys the
// window already uses stay as they are: Tab, Space on the focused button,
// the arrow keys among the port options.
struct ControlKeys {
    std::string_view control; // a button's name
    char letter;              // its letter key, 'W'; 0 where Esc is its key
    char keypad;              // its digit on the numeric keypad (Num Lock on), or 0
    std::string_view shown;   // how its key is written: "W", "Esc"
};

std::span<const ControlKeys> Form1Keys();

// The button a key presses, or nullptr: a letter ('W' or 'w'), a digit of
// the numeric keypad, or Esc.
const ControlDescription* ButtonForLetter(char letter);
const ControlDescription* ButtonForKeypad(char digit);
const ControlDescription* ButtonForEscape();

// The button's name with its key, for its tooltip and its accessible
// description: "Napred (W)"; empty for a control without a key.
std::string KeyHint(const ControlDescription& control);

} // namespace kovir
