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
    // Where Z sits on a US keyboard the Serbian layouts type Y and Ѕ: not a
    // key of the window; nor are Russian's letters on W and A (ц, ф).
    const struct {
        const char* button;
        std::u32string letters;
    } keys[] = {
        {"Command3", U"wWњЊ"}, {"Command1", U"aAаА"}, {"Command4", U"sSсС"},
        {"Command2", U"dDдД"}, {"Command5", U"zZзЗ"}, {"none", U"yѕЅцфe"},
    };
    for (const auto& key : keys) {
        for (const char32_t letter : key.letters) {
            EXPECT_EQ(NameOf(ButtonForLetter(letter)), key.button) << static_cast<unsigned>(letter);
        }
    }
    EXPECT_EQ(NameOf(ButtonForEscape()), "Command6");
    EXPECT_EQ(NameOf(ButtonForKeypad('5')), "Command6");
    EXPECT_EQ(KeyHint(*FindControl("Command3")), "Napred (W)");
}

} // namespace
} // namespace kovir
