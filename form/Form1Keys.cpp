#include "form/Form1Keys.h"

namespace kovir {

namespace {

// Forward, left, back and right where the left hand rests (and on the
// keypad as a cross, 5 in its middle stopping); Z for "ZVUK".
constexpr ControlKeys Keys[] = {
    {"Command3", Key::W, Key::Keypad8, "W"},
    {"Command1", Key::A, Key::Keypad4, "A"},
    {"Command4", Key::S, Key::Keypad2, "S"},
    {"Command2", Key::D, Key::Keypad6, "D"},
    {"Command6", Key::Escape, Key::Keypad5, "Esc"},
    {"Command5", Key::Z, std::nullopt, "Z"},
};

const ControlKeys* KeysOf(std::string_view control)
{
    for (const ControlKeys& keys : Keys) {
        if (keys.control == control) {
            return &keys;
        }
    }
    return nullptr;
}

} // namespace

std::span<const ControlKeys> Form1Keys()
{
    return Keys;
}

const ControlDescription* ButtonForKey(Key key)
{
    for (const ControlKeys& keys : Keys) {
        if (keys.key == key || keys.keypad == key) {
            return FindControl(keys.control);
        }
    }
    return nullptr;
}

std::string KeyHint(const ControlDescription& control)
{
    const ControlKeys* keys = KeysOf(control.name);
    return keys ? std::string(control.accessibleName) + " (" + std::string(keys->shown) + ")"
                : std::string();
}

} // namespace kovir
