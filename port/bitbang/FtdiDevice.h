#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovir {

// An FTDI device attached to the PC, as the system lists it, without
// opening it: kovir reads what a device says about itself, and opens for
// writing only its own boards.
struct FtdiDevice {
    std::uint16_t product = 0; // USB product ID
    std::string chip;          // "FT232R/FT245R", "FT232H", "FT2232", ...
    std::string serial;
    std::string description;   // the USB product description
    std::string place;         // where it sits on the bus, as the system names it
    std::string holder;        // what holds it now; empty when nothing does
};

// The chip, by USB product ID and device release (bcdDevice), as Linux
// lists it; by D2XX's device type, as Windows' driver lists it.
std::string ChipFromRelease(std::uint16_t product, std::uint16_t release);
std::string ChipFromD2xxType(unsigned long type);

// A chip kovir-board prepares: an FT232R/FT245R or an FT232H, told by its
// device release (or D2XX's type), not its product ID alone, which the
// older FT232AM/BM share with the FT232R.
bool IsPreparableChip(const FtdiDevice& device);

// A board kovir drives: one of the chips it knows, named "kovir".
bool IsKovirBoard(const FtdiDevice& device);

// What the "not found" message adds where FTDI devices are attached but
// none is a kovir board: which they are, and how one is prepared with
// `prepare` ("sudo kovir-board prepare"). Empty without any.
std::string DescribeUnpreparedBoards(const std::vector<FtdiDevice>& devices,
                                     std::string_view prepare);

} // namespace kovir
