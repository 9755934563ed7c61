#include "tools/board/SavedImage.h"
#include "tests/support/FactoryEeprom.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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
    EXPECT_EQ(read->chip, "FT232H");
    EXPECT_EQ(read->serial, "FT8ZQ1");
    EXPECT_EQ(read->place, "1-1.4");
    EXPECT_EQ(read->image, saved.image);

    // Opened and saved again in Notepad: CR LF line ends.
    std::string crlf;
    for (const char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    ASSERT_TRUE(ParseSavedImage(crlf));
    EXPECT_EQ(ParseSavedImage(crlf)->image, saved.image);
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

TEST(SavedImage, SavedToAFileAndLoadedFromIt)
{
    const auto folder = std::filesystem::temp_directory_path() / "kovir-saved-image-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const SavedImage saved = AnFT232H();
    const std::string name = SaveImage(saved);
    EXPECT_EQ(name.rfind("kovir-board-FT8ZQ1-", 0), 0u) << name;
    EXPECT_EQ(LoadSavedImage(name).image, saved.image);
    EXPECT_THROW(LoadSavedImage("missing.eeprom"), std::runtime_error);
    std::ofstream("cut.eeprom") << FormatSavedImage(saved, "now").substr(0, 200);
    EXPECT_THROW(LoadSavedImage("cut.eeprom"), std::runtime_error);
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace kovir
