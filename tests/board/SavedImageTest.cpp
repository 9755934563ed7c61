#include "tools/board/SavedImage.h"
#include "tests/support/FactoryEeprom.h"

#include <gtest/gtest.h>

#include <tuple>


namespace kovir {
namespace {

SavedImage AnFT232H()
{
    return {"FT232H", "FT8ZQ1", "1-1.4", testing::FactoryEeprom(0x6014, "Single RS232-HS", "FT8ZQ1")};
}

TEST(SavedImage, WhatIsSavedIsReadBackByteForByte)
{
    const SavedImage saved = AnFT232H();
    const std::string text = FormatSavedImage(saved, "2026-12-09 16:40:00 UTC");
    EXPECT_NE(text.find("kovir-board restore"), std::string::npos) << "it says how it is undone";
    const auto read = ParseSavedImage(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::tie(read->chip, read->serial, read->place, read->image),
              std::tie(saved.chip, saved.serial, saved.place, saved.image));
    // Opened and saved again in Notepad: CR LF line ends.
    std::string crlf;
    for (const char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const auto fromNotepad = ParseSavedImage(crlf);
    ASSERT_TRUE(fromNotepad);
    EXPECT_EQ(fromNotepad->image, saved.image);
}

TEST(SavedImage, AFileThatIsNotOneWholeIsRefused)
{
    const std::string text = FormatSavedImage(AnFT232H(), "now");
    const auto without = [&](const std::string& part) {
        std::string cut = text;
        cut.erase(cut.find(part), part.size());
        return cut;
    };
    const auto rowAt = [&](const std::string& offset) {
        const auto at = text.find("\n" + offset + ":") + 1;
        return text.substr(at, text.find('\n', at) + 1 - at);
    };
    const auto replaced = [&](const std::string& part, const std::string& by) {
        std::string changed = text;
        changed.replace(changed.find(part), part.size(), by);
        return changed;
    };
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"another file", "[Desktop Entry]\nName=kovir\n"},
        {"a row left out", without(rowAt("10"))},
        {"a byte not hexadecimal", replaced("00: 00", "00: 0G")},
        {"a byte of three digits", replaced("00: 00", "00: 000")},
        {"no serial line", without("serial FT8ZQ1\n")},
        {"no place line", without("place 1-1.4\n")},
        {"no rows at all", text.substr(0, text.find("00:"))},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ParseSavedImage(c.text)) << c.what;
    }
}

TEST(SavedImage, ItsNameIsSafeForAnyFolder)
{
    EXPECT_EQ(SavedImageName("A50285BI", "20261209-164000"), "kovir-board-A50285BI-20261209-164000.eeprom");
    EXPECT_EQ(SavedImageName("../x y", "1"), "kovir-board-___x_y-1.eeprom");
    EXPECT_EQ(SavedImageName("", "1"), "kovir-board-bez-broja-1.eeprom");
}

} // namespace
} // namespace kovir
