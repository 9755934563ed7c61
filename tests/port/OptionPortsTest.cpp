// Which of the PC's ports each option drives, over the lists of ports the
// system may give; and what its label then says.
#include "port/OptionPorts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovir {
namespace {

constexpr std::int16_t Options[] = {0x378, 0x278, 0x3BC}; // LPT1, LPT2, LPT3

struct Row {
    const char* pc;
    std::vector<unsigned long> bases; // in the system's order
    std::vector<std::string> names;   // LPT1..LPT3 after "LPTn: "
    std::vector<int> ports;           // the index each option drives, -1 for none
};

TEST(OptionPorts, EachOptionKeepsItsOwnPortElseTakesThePortsAwayFromTheOptionsInOrder)
{
    const Row rows[] = {
        {"the usual three", {0x378, 0x278, 0x3BC}, {"378", "278", "3BC"}, {0, 1, 2}},
        {"renumbered", {0x3BC, 0x278, 0x378}, {"378", "278", "3BC"}, {2, 1, 0}},
        {"on-board port only", {0x378}, {"378", "278", "3BC"}, {0, -1, -1}},
        {"no port", {}, {"378", "278", "3BC"}, {-1, -1, -1}},
        {"one card", {0xD010}, {"D010", "278", "3BC"}, {0, -1, -1}},
        {"on-board and a card", {0x378, 0xD010}, {"378", "D010", "3BC"}, {0, 1, -1}},
        {"a card before the on-board port", {0xE010, 0x378}, {"378", "E010", "3BC"}, {1, 0, -1}},
        {"0x278 on board, two cards", {0xC000, 0x278, 0x3010}, {"C000", "278", "3010"}, {0, 1, 2}},
        {"a USB adapter", {0}, {"USB", "278", "3BC"}, {0, -1, -1}},
        {"more ports than options", {0xD010, 0xDC00, 0xE010, 0}, {"D010", "DC00", "E010"},
         {0, 1, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pc);
        const OptionPorts resolved(Options, row.bases);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(resolved.NameOf(Options[i]), row.names[i]) << "LPT" << i + 1;
            const auto port = resolved.PortOf(Options[i]);
            EXPECT_EQ(port ? static_cast<int>(*port) : -1, row.ports[i]) << "LPT" << i + 1;
        }
    }
}

TEST(OptionPorts, WithoutOptionsNoAddressDrivesAPortAndEachNamesItself)
{
    // The Windows backend when the system's list cannot be had.
    const OptionPorts resolved({}, {0x3BC, 0xD010, 0});
    EXPECT_EQ(resolved.PortOf(0x3BC), std::nullopt);
    EXPECT_EQ(resolved.NameOf(0x3BC), "3BC");
    EXPECT_EQ(resolved.DrivenBase(0x378), 0x378U);
}

} // namespace
} // namespace kovir
