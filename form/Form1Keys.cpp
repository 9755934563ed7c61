#include "form/Form1Keys.h"

namespace kovir {

namespace {

// Forward, left, back and right where the left hand rests (and on the
// keypad as a cross, 5 in its middle stopping); Z for "ZVUK".
constexpr ControlKeys Keys[] = {
    {"Command3", 'W', '8', "W"}, {"Command1", 'A', '4', "A"}, {"Command4", 'S', '2', "S"},
    {"Command2", 'D', '6', "D"}, {"Command6", 0, '5', "Esc"}, {"Command5", 'Z', 0, "Z"},
};

template <typename Matches> const ControlDescription* ButtonWhere(Matches matches)
{
    for (const ControlKeys& keys : Keys) {
        if (matches(keys)) {
            return FindControl(keys.control);
        }
    }
    return nullptr;
}

} // namespace

std::span<const ControlKeys> Form1Keys()
{
    return Keys;
}

const ControlDescription* ButtonForLetter(char letter)
{
    const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    return upper == 0 ? nullptr : ButtonWhere([upper](const ControlKeys& k) { return k.letter == upper; });
}

const ControlDescription* ButtonForKeypad(char digit)
{
    return digit == 0 ? nullptr : ButtonWhere([digit](const ControlKeys& k) { return k.keypad == digit; });
}

const ControlDescription* ButtonForEscape()
{
    return ButtonWhere([](const ControlKeys& k) { return k.shown == "Esc"; });
}

std::string KeyHint(const ControlDescription& control)
{
    for (const ControlKeys& keys : Keys) {
        if (keys.control == control.name) {
            return std::string(control.accessibleName) + " (" + std::string(keys.shown) + ")";
        }
    }
    return {};
}

} // namespace kovir
