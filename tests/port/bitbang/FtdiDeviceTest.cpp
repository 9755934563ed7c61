#include "port/bitbang/FtdiDevice.h"

#include <gtest/gtest.h>

namespace kovir {
namespace {

// kovir-board writes the EEPROM layout of an FT232R or an FT232H alone: the
// FT232AM/BM share the FT232R's product ID, and their byte 0x0A is reserved.
TEST(FtdiDevice, OnlyAnFT232ROrFT232HToldByItsReleaseIsPrepared)
{
    const struct {
        std::uint16_t product;
        std::string chip; // as Linux tells it by the release, or Windows' D2XX by its type
        bool prepared;
    } cases[] = {
        {0x6001, ChipFromRelease(0x6001, 0x0600), true}, // FT232R/FT245R
        {0x6014, ChipFromRelease(0x6014, 0x0900), true}, // FT232H
        {0x6001, ChipFromRelease(0x6001, 0x0200), false}, // FT232AM
        {0x6001, ChipFromRelease(0x6001, 0x0400), false}, // FT232BM
        {0x6010, ChipFromRelease(0x6010, 0x0700), false}, // FT2232H
        {0x6015, ChipFromRelease(0x6015, 0x1000), false}, // FT-X
        {0x6001, ChipFromRelease(0x6001, 0x0900), false}, // an FT232H's release under the FT232R's ID
        {0x6001, ChipFromD2xxType(5), true},              // FT_DEVICE_232R
        {0x6001, ChipFromD2xxType(0), false},             // FT_DEVICE_BM
    };
    for (const auto& c : cases) {
        FtdiDevice device;
        device.product = c.product;
        device.chip = c.chip;
        EXPECT_EQ(IsPreparableChip(device), c.prepared) << std::hex << c.product << " " << c.chip;
    }
}

} // namespace
} // namespace kovir
