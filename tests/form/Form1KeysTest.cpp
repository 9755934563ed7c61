#include "form/Form1Keys.h"

#include <gtest/gtest.h>

namespace kovir {
namespace {

std::string NameOf(const ControlDescription* control)
{
    return control ? std::string(control->name) : "none";
}

TEST(Form1Keys, ALetterKeyIsFoundByTheLetterItTypesLatinOrSerbianCyrillic)
{
    const struct {
        char32_t letter;
        const char* button;
    } keys[] = {
        {U'w', "Command3"}, {U'W', "Command3"}, {U'њ', "Command3"}, {U'Њ', "Command3"},
        {U'a', "Command1"}, {U'А', "Command1"}, {U'а', "Command1"},
        {U's', "Command4"}, {U'с', "Command4"}, {U'С', "Command4"},
        {U'd', "Command2"}, {U'д', "Command2"}, {U'Д', "Command2"},
        {U'z', "Command5"}, {U'з', "Command5"}, {U'З', "Command5"},
        // Where Z sits on a US keyboard, the Serbian layouts type Y and Ѕ:
        // not a key of the window; nor are Russian's letters on those keys.
        {U'y', "none"}, {U'ѕ', "none"}, {U'Ѕ', "none"}, {U'ц', "none"}, {U'ф', "none"},
        {U'e', "none"}, {0, "none"},
    };
    for (const auto& key : keys) {
        EXPECT_EQ(NameOf(ButtonForLetter(key.letter)), key.button) << static_cast<unsigned>(key.letter);
    }
    EXPECT_EQ(NameOf(ButtonForEscape()), "Command6");
    EXPECT_EQ(NameOf(ButtonForKeypad('5')), "Command6");
    EXPECT_EQ(NameOf(ButtonForKeypad('8')), "Command3");
    EXPECT_EQ(NameOf(ButtonForKeypad('0')), "none");
    EXPECT_EQ(KeyHint(*FindControl("Command3")), "Napred (W)");
    EXPECT_EQ(KeyHint(*FindControl("Command6")), "Stop (Esc)");
}

} // namespace
} // namespace kovir
