#include "form/Form1Keys.h"

namespace kovir {

namespace {

// Forward, left, back and right where the left hand rests (and on the
// keypad as a cross, 5 in its middle stopping); Z for "ZVUK".
constexpr ControlKeys Keys[] = {
    {"Command3", 'W', U'Њ', '8', false, "W"}, {"Command1", 'A', U'А', '4', false, "A"},
    {"Command4", 'S', U'С', '2', false, "S"}, {"Command2", 'D', U'Д', '6', false, "D"},
    {"Command6", 0, 0, '5', true, "Esc"},     {"Command5", 'Z', U'З', 0, false, "Z"},
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

// The capital of a Latin or Cyrillic small letter, folded by hand (the C
// library's case tables follow the locale, not the letter).
char32_t Capital(char32_t letter)
{
    if (letter >= U'a' && letter <= U'z') {
        return letter - U'a' + U'A';
    }
    if (letter >= U'а' && letter <= U'я') { // а..я
        return letter - U'а' + U'А';
    }
    if (letter >= U'ѐ' && letter <= U'џ') { // ѐ..џ, the Serbian ђ ј љ њ ћ џ among them
        return letter - U'ѐ' + U'Ѐ';
    }
    return letter;
}

} // namespace

std::span<const ControlKeys> Form1Keys()
{
    return Keys;
}

const ControlDescription* ButtonForLetter(char32_t letter)
{
    const char32_t capital = Capital(letter);
    return capital == 0 ? nullptr : ButtonWhere([capital](const ControlKeys& k) {
        return static_cast<char32_t>(k.latin) == capital || k.cyrillic == capital;
    });
}

const ControlDescription* ButtonForKeypad(char digit)
{
    return digit == 0 ? nullptr : ButtonWhere([digit](const ControlKeys& k) { return k.keypad == digit; });
}

const ControlDescription* ButtonForEscape()
{
    return ButtonWhere([](const ControlKeys& k) { return k.escape; });
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
