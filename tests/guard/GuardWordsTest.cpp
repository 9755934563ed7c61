// The guard's words, as both ends of every build read and write them.
#include "guard/GuardWords.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>

namespace kovir {
namespace {

TEST(GuardWords, EachWordComesBackAsItWasSaid)
{
    const GuardWord words[] = {
        {GuardWordKind::Table, {}},
        {GuardWordKind::Stopped, {}},
        {GuardWordKind::Port, {StopWay::TraceLine, 0x378, 0, 0, 123'456'789'012}},
        {GuardWordKind::Port, {StopWay::PpdevData, 0x278, 0, 0, 0}},
        {GuardWordKind::Port, {StopWay::DevPort, 0x3BC, 0, 0, 0xD010}},
        {GuardWordKind::Port, {StopWay::UsbBulk, static_cast<std::int16_t>(0x8378), 0xA5, 0x02, 0}},
        {GuardWordKind::Port,
         {StopWay::PortLibrary, 0x378, 0, 1, static_cast<std::int16_t>(0xD010)}},
        {GuardWordKind::Port, {StopWay::D2xxBoard, 0x278, 0x00, 0, 0x0011}, 0x8000'01C4},
    };
    for (const GuardWord& word : words) {
        const auto bytes = EncodeGuardWord(word);
        const std::optional<GuardWord> read = DecodeGuardWord(bytes);
        ASSERT_TRUE(read);
        if (word.kind == GuardWordKind::Port) {
            EXPECT_EQ(*read, word); // the handle too
        } else {
            EXPECT_EQ(read->kind, word.kind);
        }
    }
}

TEST(GuardWords, ADatagramThatIsNoWordIsRefused)
{
    const auto good = EncodeGuardWord({GuardWordKind::Port, {StopWay::UsbBulk, 0x378, 0, 2, 0}});
    struct Row {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    } rows[] = {{"not ours", 0, 'x'},
                {"no such word", 2, 0},
                {"no such word", 2, 4},
                {"no such way", 3, 0},
                {"no such way", 3, 7}};
    for (const Row& row : rows) {
        auto bytes = good;
        bytes[row.at] = row.value;
        EXPECT_FALSE(DecodeGuardWord(bytes)) << row.what;
    }
    EXPECT_FALSE(DecodeGuardWord(std::span(good).first(GuardWordSize - 1))) << "too short";
    std::array<std::uint8_t, GuardWordSize + 1> longer{};
    std::memcpy(longer.data(), good.data(), good.size());
    EXPECT_FALSE(DecodeGuardWord(longer)) << "too long";
}

} // namespace
} // namespace kovir
