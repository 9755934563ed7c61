#include "port/bitbang/FtdiDevice.h"

#include "port/bitbang/BitBangBoards.h"
#include "port/bitbang/BoardEeprom.h"

#include <algorithm>

namespace kovir {

std::string ChipFromRelease(std::uint16_t product, std::uint16_t release)
{
    switch (release) {
    case 0x0200:
        return "FT232AM";
    case 0x0400:
        return "FT232BM";
    case 0x0500:
        return "FT2232C";
    case 0x0600:
        return "FT232R/FT245R";
    case 0x0700:
        return "FT2232H";
    case 0x0800:
        return "FT4232H";
    case 0x0900:
        return "FT232H";
    case 0x1000:
        return "FT-X";
    default:
        return product == 0x6014 ? "FT232H" : "FTDI";
    }
}

std::string ChipFromD2xxType(unsigned long type)
{
    // FT_DEVICE, as FTDI's programmer's guide numbers it.
    switch (type) {
    case 0:
        return "FT232BM";
    case 1:
        return "FT232AM";
    case 4:
        return "FT2232C";
    case 5:
        return "FT232R/FT245R";
    case 6:
        return "FT2232H";
    case 7:
        return "FT4232H";
    case 8:
        return "FT232H";
    case 9:
        return "FT-X";
    default:
        return "FTDI";
    }
}

bool IsPreparableChip(const FtdiDevice& device)
{
    return (device.product == 0x6001 && device.chip == "FT232R/FT245R") ||
           (device.product == 0x6014 && device.chip == "FT232H");
}

bool IsKovirBoard(const FtdiDevice& device)
{
    return device.description == KovirBoardName &&
           std::find(BoardProducts.begin(), BoardProducts.end(), device.product) !=
               BoardProducts.end();
}

std::string DescribeUnpreparedBoards(const std::vector<FtdiDevice>& devices,
                                     std::string_view prepare)
{
    if (devices.empty()) {
        return {};
    }
    std::string text = devices.size() == 1 ? "Priključeni FTDI uređaj nije pločica ovog programa:"
                                           : "Priključeni FTDI uređaji nisu pločice ovog programa:";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const FtdiDevice& d = devices[i];
        text += (i ? "; " : " ") + d.chip + (d.serial.empty() ? "" : " " + d.serial) + " „" +
                d.description + "”" + (d.place.empty() ? "" : " (" + d.place + ")");
    }
    return text + ". Program upravlja samo pločicom čiji je opis „kovir”; pločicu FT232R ili "
                  "FT232H za to pripremite jednom, isključenu iz uređaja: " +
           std::string(prepare) + " prepare SERIJSKI_BROJ.";
}

} // namespace kovir
