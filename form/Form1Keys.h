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
//
// A letter key is found by the letter it types, not by where it sits: W, A,
// S, D and Z under any layout that has them (US, Serbian Latin, where Z is
// QWERTZ's), and under the Serbian Cyrillic layout the letter that shares
// the key with them on a Serbian keyboard: Њ, А, С, Д, З.
struct ControlKeys {
    std::string_view control; // a button's name
    char latin;               // its letter key, 'W'; 0 for none
    char32_t cyrillic;        // the Serbian Cyrillic letter on the same key, U'Њ'; 0 for none
    char keypad;              // its digit on the numeric keypad (Num Lock on), or 0
    bool escape;              // Esc presses it
    std::string_view shown;   // how its key is written: "W", "Esc"
};

std::span<const ControlKeys> Form1Keys();

// The button a key presses, or nullptr: the letter it types (Latin or
// Cyrillic, either case), a digit of the numeric keypad, or Esc.
const ControlDescription* ButtonForLetter(char32_t letter);
const ControlDescription* ButtonForKeypad(char digit);
const ControlDescription* ButtonForEscape();

// The button's name with its key, for its tooltip and its accessible
// description: "Napred (W)"; empty for a control without a key.
std::string KeyHint(const ControlDescription& control);

} // namespace kovir
