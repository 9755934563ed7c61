#include "port/bitbang/BitBangBoards.h"
#include "port/bitbang/BoardPins.h"

#include <gtest/gtest.h>

#include <set>

namespace kovir {
namespace {

// The chip's pins in bit-bang order.
enum Pin : std::uint8_t { TXD = 1, RXD = 2, RTS = 4, CTS = 8, DTR = 16, DSR = 32, DCD = 64, RI = 128 };

TEST(BoardPins, EveryCommandReachesTheDeviceThroughTheInputsAtRest)
{
    const struct {
        std::uint8_t port;
        std::uint8_t pins;
    } commands[] = {
        {0x00, 0},                       // stop
        {0x0F, RXD | CTS | DSR | DCD},   // forward: D0-D3
        {0x05, RXD | DSR},               // back: D0, D2
        {0x0E, CTS | DSR | DCD},         // left: D1-D3
        {0x0B, RXD | CTS | DCD},         // right: D0, D1, D3
        {0x10, RI},                      // the sounder alone: D4
        {0x1F, RXD | CTS | DSR | DCD | RI},
    };
    for (const auto& c : commands) {
        EXPECT_EQ(BoardPinsFor(c.port), c.pins) << "port byte " << int(c.port);
    }
    // The pins a chip drives at rest carry none of the bits kovir ever sets.
    for (unsigned byte = 0; byte < 32; ++byte) {
        EXPECT_EQ(BoardPinsFor(static_cast<std::uint8_t>(byte)) & (TXD | RTS | DTR), 0) << byte;
    }
    // One pin a bit: no byte is lost or mistaken for another.
    std::set<std::uint8_t> seen;
    for (unsigned byte = 0; byte < 256; ++byte) {
        seen.insert(BoardPinsFor(static_cast<std::uint8_t>(byte)));
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(BoardName, OneBoardIsUsbSeveralAreToldApartByTheirSerialsLastTwoCharacters)
{
    const struct {
        std::vector<std::string> serials;
        std::vector<std::string> names;
    } cases[] = {
        {{"A50285BI"}, {"USB"}},
        {{"A50285BI", "A50285BJ", "K"}, {"USB BI", "USB BJ", "USB K"}},
        {{"A50285BI", "A50285BI"}, {"USB BI", "USB BI"}}, // clones: the messages say where
        {{"KV1", ""}, {"USB V1", "USB"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < c.serials.size(); ++i) {
            names.push_back(BoardName(c.serials, i));
        }
        EXPECT_EQ(names, c.names);
    }
}

} // namespace
} // namespace kovir
