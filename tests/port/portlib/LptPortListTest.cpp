// What the Windows backend makes of the system's list of LPT ports.
#include "port/portlib/LptPortList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kovir {
namespace {

TEST(LptPortList, OnlyLptPortsCountInTheOrderOfTheirNumbers)
{
    EXPECT_EQ(LptNumberOf(L"LPT1"), 1U);
    EXPECT_EQ(LptNumberOf(L"lpt12"), 12U);
    for (const wchar_t* other : {L"COM3", L"LPT", L"LPTx", L"LPT1:", L"", L"LPT12345"}) {
        EXPECT_EQ(LptNumberOf(other), std::nullopt);
    }
    EXPECT_EQ(BasesInLptOrder({{3, 0xE010}, {1, 0x378}, {2, 0xD010}}),
              (std::vector<unsigned long>{0x378, 0xD010, 0xE010}));
}

// A CM_RESOURCE_LIST of one device: its partial descriptors, each a type
// (1 a port's I/O range, 2 an interrupt, 5 device-specific data, whose size
// takes the start's place; at most 64 bytes of it follow) and a range or a value.
std::vector<std::uint8_t> ResourceList(std::vector<std::array<std::uint32_t, 3>> partials)
{
    std::vector<std::uint8_t> list;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            list.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    put(1, 4);                 // one full descriptor
    put(5, 4), put(0, 4);      // PCI, bus 0
    put(1, 2), put(1, 2);      // version, revision
    put(static_cast<std::uint32_t>(partials.size()), 4);
    for (const auto& [type, start, length] : partials) {
        put(type, 1), put(1, 1), put(0, 2); // type, shared, flags
        put(start, 4), put(0, 4), put(length, 4);
        if (type == 5) {
            list.insert(list.end(), std::min(start, 64U), 0xEE); // device-specific data
        }
    }
    return list;
}

TEST(LptPortList, APortsBaseIsTheRangeItsDeviceDeclaresFirst)
{
    const struct {
        const char* card;
        std::vector<std::array<std::uint32_t, 3>> declared;
        std::optional<unsigned long> base;
    } cards[] = {
        {"on-board, ECP range above", {{1, 0x378, 8}, {1, 0x778, 8}}, 0x378},
        {"PCIe card, ECP range below", {{1, 0xD010, 8}, {2, 17, 0}, {1, 0xD000, 4}}, 0xD010},
        {"an interrupt and device data first", {{2, 7, 0}, {5, 12, 0}, {1, 0x3010, 8}}, 0x3010},
        {"no I/O range", {{2, 7, 0}}, std::nullopt},
    };
    for (const auto& card : cards) {
        std::vector<std::uint8_t> list = ResourceList(card.declared);
        EXPECT_EQ(PortBaseOf(IoRangesInResourceList(list)), card.base) << card.card;
        list.pop_back();
        EXPECT_EQ(IoRangesInResourceList(list), std::vector<unsigned long>{}) << card.card << ", cut short";
    }
    // Device data said to be longer than the list (on a 32-bit build the
    // sum would wrap round to an earlier descriptor): nothing is believed.
    EXPECT_EQ(IoRangesInResourceList(ResourceList({{1, 0x378, 8}, {5, 0xFFFFFFE0, 0}, {1, 0x278, 8}})),
              std::vector<unsigned long>{});
}

} // namespace
} // namespace kovir
