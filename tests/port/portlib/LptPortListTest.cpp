// What the Windows backend makes of the system's list of LPT ports.
#include "port/portlib/LptPortList.h"

#include <gtest/gtest.h>

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

TEST(LptPortList, TheWmiQueryQuotesTheDeviceIdAndThePortIsItsLowestRange)
{
    EXPECT_EQ(PortResourceQuery(L"PCI\\VEN_9710&DEV_9865\\4&1\"2"),
              L"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"PCI\\\\VEN_9710&DEV_9865\\\\4&1\\\"2\"} "
              L"WHERE ResultClass = Win32_PortResource");
    EXPECT_EQ(PortBaseAmong({0x778, 0x378}), 0x378U);
    EXPECT_EQ(PortBaseAmong({}), std::nullopt);
}

} // namespace
} // namespace kovir
