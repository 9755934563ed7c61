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
        std::uint16_t release;
        bool prepared;
    } cases[] = {
        {0x6001, 0x0600, true},  // FT232R/FT245R
        {0x6014, 0x0900, true},  // FT232H
        {0x6001, 0x0200, false}, // FT232AM
        {0x6001, 0x0400, false}, // FT232BM
        {0x6010, 0x0700, false}, // FT2232H
        {0x6015, 0x1000, false}, // FT-X
        {0x6001, 0x0900, false}, // an FT232H's release under the FT232R's ID
    };
    for (const auto& c : cases) {
        FtdiDevice device;
        device.product = c.product;
        device.chip = ChipFromRelease(c.product, c.release);
        EXPECT_EQ(IsPreparableChip(device), c.prepared)
            << std::hex << c.product << "/" << c.release << " " << device.chip;
    }
    FtdiDevice d2xx;
    d2xx.product = 0x6001;
    d2xx.chip = ChipFromD2xxType(0); // FT_DEVICE_BM
    EXPECT_FALSE(IsPreparableChip(d2xx));
    d2xx.chip = ChipFromD2xxType(5); // FT_DEVICE_232R
    EXPECT_TRUE(IsPreparableChip(d2xx));
}

} // namespace
} // namespace kovir
