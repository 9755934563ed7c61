#include "tools/vcd/TraceToVcd.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace kovir {
namespace {

std::string ErrorOf(const std::string& text)
{
    try {
        ReadTrace(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(ReadTrace, BadInputIsRefusedNamingTheLineAndWhatIsWrong)
{
    const std::string good = "0.041233 0x378 0x00 00000000\n";
    const struct {
        std::string text;
        std::string error;
    } rows[] = {
        {good + "1.0 0x378 0x0F 00001111\n", "line 2: not a time in seconds with six decimals"},
        {good + "1.000000 0x378 0x0F\n", "line 2: not a trace line"},
        {good + "1.000000 378 0x0F 00001111\n", "line 2: not a port address"},
        {good + "1.000000 0x378 0xF 00001111\n", "line 2: not a byte"},
        {good + "1.000000 0x378 0x0F 0000111\n", "line 2: not eight data lines"},
        {good + "1.000000 0x378 0x0F 00001110\n",
         "line 2: the data lines 00001110 are not the byte 0x0F"},
        {good + "2.000000 0x378 0x0F 00001111\n1.999999 0x378 0x00 00000000\n",
         "line 3: the time goes backwards"},
        {good + "\n1.000000 0x378 0x0F 00001111\n", "line 2: not a trace line"},
        {"", "the trace holds no port write"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ErrorOf(row.text).rfind(row.error, 0), 0U) << ErrorOf(row.text) << "\n"
                                                             << row.text;
    }
}

TEST(ReadTrace, ALastLineCutOffMidWriteIsLeftOutWithAWarning)
{
    const Trace cut = ReadTrace("0.041233 0x378 0x00 00000000\r\n1.000000 0x378 0x0F 000");
    ASSERT_EQ(cut.writes.size(), 1U);
    ASSERT_TRUE(cut.warning);
    EXPECT_EQ(cut.warning->rfind("line 2 was cut off", 0), 0U) << *cut.warning;

    // A whole last line without its line end is a line like any other.
    const Trace whole = ReadTrace("0.041233 0x378 0x00 00000000\n1.000000 0x3BC 0x0F 00001111");
    EXPECT_EQ(whole.writes.size(), 2U);
    EXPECT_FALSE(whole.warning);
}

TEST(WriteVcd, AScopePerPortEightWiresEachAndAChangeOnlyWhereALineChanged)
{
    const Trace trace = ReadTrace("0.000010 0x378 0x00 00000000\r\n"
                                  "0.000020 0x378 0x0F 00001111\r\n"
                                  "0.000030 0x378 0x0F 00001111\r\n" // same byte: no change
                                  "0.000040 0x3BC 0x10 00010000\r\n");
    const std::string vcd = WriteVcd(trace);
    const std::string definitions = "$timescale 1 us $end\n"
                                    "$scope module lpt_378 $end\n"
                                    "$var wire 1 ! 378_D0 $end\n";
    EXPECT_NE(vcd.find(definitions), std::string::npos) << vcd;
    EXPECT_NE(vcd.find("$scope module lpt_3BC $end\n$var wire 1 ) 3BC_D0 $end\n"),
              std::string::npos);
    EXPECT_NE(vcd.find("$var wire 1 0 3BC_D7 $end\n$upscope $end\n$enddefinitions $end\n"),
              std::string::npos);
    const std::string changes = vcd.substr(vcd.find("#10\n"));
    EXPECT_EQ(changes, "#10\n0!\n0\"\n0#\n0$\n0%\n0&\n0'\n0(\n"
                       "#20\n1!\n1\"\n1#\n1$\n"
                       "#40\n0)\n0*\n0+\n0,\n1-\n0.\n0/\n00\n"
                       "#1040\n");
}

} // namespace
} // namespace kovir
