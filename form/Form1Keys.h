#pragma once

#include "form/Form1Description.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kovir {

// The keys that press the buttons, whatever has the focus: an operator, or
// a pendant that types keys, drives without the mouse, and Esc stops from
// anywhere. A key does exactly what a click of its button does. The keys the
// window already uses stay as they are: Tab, Space on the focused button,
// the arrow keys among the port options.
enum class Key { W, A, S, D, Z, Escape, Keypad8, Keypad4, Keypad2, Keypad6, Keypad5 };

struct ControlKeys {
    std::string_view control; // a button's name
    Key key;                    // the key shown beside its name
    std::optional<Key> keypad;  // the numeric keypad's key for it
    std::string_view shown;   // how the key is written: "W", "Esc"
};

std::span<const ControlKeys> Form1Keys();

// The button a key presses, or nullptr.
const ControlDescription* ButtonForKey(Key key);

// The button's name with its key, for its tooltip and its accessible
// description: "Napred (W)"; empty for a control without a key.
std::string KeyHint(const ControlDescription& control);

} // namespace kovir
