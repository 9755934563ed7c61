#include "port/bitbang/BoardEeprom.h"
#include "tests/support/FactoryEeprom.h"

#include <gtest/gtest.h>

#include <set>

namespace kovir {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FactoryEeprom;

// The offsets of the product description's old place, past what "kovir" takes.
std::set<std::size_t> Between(std::size_t from, std::size_t to)
{
    std::set<std::size_t> offsets;
    for (std::size_t i = from; i < to; ++i) {
        offsets.insert(i);
    }
    return offsets;
}

TEST(BoardEeprom, AKovirImageChangesOnlyTheNameSuspendPullDownsWakeUpAndChecksum)
{
    struct Case {
        std::uint16_t product;
        const char* factoryName;
        std::size_t nameAt; // where the factory's product description is
    };
    for (const Case& c : {Case{0x6001, "FT232R USB UART", 0x22}, Case{0x6014, "Single RS232-HS", 0xAA}}) {
        SCOPED_TRACE(c.factoryName);
        const Bytes factory = FactoryEeprom(c.product, c.factoryName, "A50285BI");
        ASSERT_EQ(factory.size(), EepromSizeOf(c.product));
        ASSERT_TRUE(EepromChecksumValid(factory));
        EXPECT_EQ(EepromChecksum(factory), testing::FtdiChecksum(factory));
        EXPECT_EQ(EepromProductName(factory), c.factoryName);
        EXPECT_EQ(EepromSerialName(factory), "A50285BI");

        const KovirImage made = KovirImageFrom(factory);
        ASSERT_FALSE(made.fault);
        EXPECT_EQ(EepromProductName(made.image), "kovir");
        EXPECT_EQ(EepromSerialName(made.image), "A50285BI");
        EXPECT_EQ(testing::DescriptionIn(made.image, "defaults"), "kovir");
        EXPECT_EQ(made.image[0x08], 0x80) << "remote wake-up off, the rest kept";
        EXPECT_EQ(made.image[0x0A], 0x0C) << "suspend pull-downs on, the serial number kept";
        EXPECT_EQ(made.image[0x11], 12);
        // The description's own place (its 12 bytes and the cleared rest),
        // its length, the two options and the checksum; nothing else.
        const std::size_t size = factory.size();
        std::set<std::size_t> allowed = Between(c.nameAt, c.nameAt + 32);
        allowed.insert({0x08, 0x0A, 0x11, size - 2, size - 1});
        for (const std::size_t changed : EepromDifferences(factory, made.image)) {
            EXPECT_TRUE(allowed.count(changed)) << "byte 0x" << std::hex << changed << " changed";
        }
        EXPECT_EQ(KovirImageFrom(made.image).image, made.image) << "a kovir board stays as it is";
    }
}

TEST(BoardEeprom, AnImageThatCannotBeKeptIsRefused)
{
    Bytes badChecksum = FactoryEeprom(0x6001, "FT232R USB UART", "A1");
    badChecksum[0x09] ^= 1;
    Bytes shortName = FactoryEeprom(0x6001, "FT", "A1");
    Bytes nameOutside = FactoryEeprom(0x6001, "FT232R USB UART", "A1");
    nameOutside[0x10] = 0xFA; // 0x7A: runs over the checksum
    testing::SealWithChecksum(nameOutside);
    // An FT232H in another interface mode (FIFO, fast serial), and an FT232R
    // with its TXD and RXD inverted: each sealed, so only the mode refuses it.
    const auto changed = [](std::uint16_t product, std::size_t at, std::uint8_t value) {
        Bytes image = FactoryEeprom(product, "Single RS232-HS", "A1");
        image[at] = value;
        testing::SealWithChecksum(image);
        return image;
    };
    const struct {
        const char* what;
        Bytes image;
        EepromFault fault;
    } cases[] = {
        {"erased", Bytes(128, 0xFF), EepromFault::Blank},
        {"zeroed", Bytes(256, 0x00), EepromFault::Blank},
        {"a wrong checksum", badChecksum, EepromFault::BadChecksum},
        {"a name too short to hold kovir", shortName, EepromFault::NoRoom},
        {"a name outside the image", nameOutside, EepromFault::NoProductString},
        {"an FT232H in FIFO mode", changed(0x6014, 0x00, 0x01), EepromFault::NotUart},
        {"an FT232H in fast serial mode", changed(0x6014, 0x00, 0x12), EepromFault::NotUart},
        {"an FT232R with inverted lines", changed(0x6001, 0x0B, 0x03), EepromFault::Inverted},
    };
    for (const auto& c : cases) {
        const KovirImage made = KovirImageFrom(c.image);
        EXPECT_EQ(made.fault, c.fault) << c.what;
        EXPECT_TRUE(made.image.empty()) << c.what;
    }
    // The FT232H's UART mode with its other bits set (the VCP driver) is kept.
    EXPECT_FALSE(KovirImageFrom(changed(0x6014, 0x00, 0x10)).fault);
}

TEST(BoardEeprom, WordsAreLittleEndian)
{
    const std::vector<std::uint16_t> words = {0x4000, 0x0403, 0x6001};
    EXPECT_EQ(EepromBytes(words), (Bytes{0x00, 0x40, 0x03, 0x04, 0x01, 0x60}));
    EXPECT_EQ(EepromWords(EepromBytes(words)), words);
}

} // namespace
} // namespace kovir
