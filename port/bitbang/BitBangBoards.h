#pragma once

#include "port/WriteInProgress.h"
#include "port/StopHandOff.h"
#include "port/bitbang/FtdiDevice.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kovir {

// The USB bit-bang boards attached to the PC that are kovir's: FT232R,
// FT245R or FT232H chips whose product description is "kovir" (BoardEeprom.h),
// whose eight pins hold the last byte written, like a port's data register.
// Each is one more port, after the PC's own parallel ports. No other FTDI
// device is ever opened. Nothing is touched before the first call; the first
// write to a board opens it for this program alone and enters bit-bang mode
// showing the device only 0, and the board is kept until the end. The chip is
// left in bit-bang mode on release, so its pins keep the last byte. Every
// byte reaches the pins through the board's pin table (BoardPins.h).
class BitBangBoards {
public:
    BitBangBoards();
#ifdef _WIN32
    // Looks for the boards' library in these folders only (full paths), in
    // order; by default beside the program, then in the system folder.
    explicit BitBangBoards(std::vector<std::wstring> folders);
#endif
    ~BitBangBoards();
    BitBangBoards(const BitBangBoards&) = delete;
    BitBangBoards& operator=(const BitBangBoards&) = delete;

    // How many boards there are, listed once, in the order of their serial
    // numbers so that each keeps its option between runs. None where the
    // USB library is missing.
    std::size_t Count();

    // The attached FTDI devices that are not kovir boards, listed with the
    // boards: the messages name them.
    const std::vector<FtdiDevice>& Unprepared()
    {
        Count();
        return unprepared_;
    }

    // How the window names board `board` after "LPTn: ": "USB", and where
    // there are several, with the end of its serial number ("USB BI").
    std::string Name(std::size_t board);

    // Puts `value` on board `board`'s pins; throws with the operator's message.
    void Write(std::size_t board, std::uint8_t value);

    // Writes 0 to `board` from a crash handler: only to a board already open,
    // never on the thread inside its own write, with nothing allocated.
    // Whether it went out.
    bool StopFromCrash(std::size_t board) noexcept;

    // Opens `board` if it is not yet, and hands `guard` how to stop it, as
    // the port at `address`, once. (Linux: the guard writes through the
    // board's usbfs descriptor.)
    void HandStopTo(std::size_t board, std::int16_t address, StopHandOff& guard);

private:
    struct Board;
    void Open(Board& board);

#ifdef _WIN32
    struct Library; // ftd2xx.dll, bound at run time
    std::vector<std::wstring> folders_;
    std::unique_ptr<Library> library_;
#endif
    bool listed_ = false;
    std::vector<std::unique_ptr<Board>> boards_;
    std::vector<FtdiDevice> unprepared_;
    WriteInProgress write_; // inside the library's write
};

// The chips whose bit-bang pins are known to hold a byte, by USB ID:
// FT232R and FT245R (6001), FT232H (6014); all of FTDI's vendor ID.
inline constexpr std::uint16_t BoardVendor = 0x0403;
inline constexpr std::array<std::uint16_t, 2> BoardProducts = {0x6001, 0x6014};

// Whether the board with serial number `a` comes before the one with `b`:
// by serial number; a board whose serial cannot be read (no rights to open
// it yet) after those.
bool BoardBefore(const std::string& a, const std::string& b);

// How the window names the board with the `index`th of `serials`: "USB",
// and where there are several, with the last two characters of its serial.
std::string BoardName(const std::vector<std::string>& serials, std::size_t index);

// The name of the `index`th of `boards` (pointers to anything with a `serial`).
template <typename Boards> std::string BoardNameAmong(const Boards& boards, std::size_t index)
{
    std::vector<std::string> serials;
    for (const auto& board : boards) {
        serials.push_back(board->serial);
    }
    return BoardName(serials, index);
}

// Boards (pointers to anything with a `serial`) put in that order; boards
// alike keep the order the system listed them in.
template <typename Boards> void SortBoards(Boards& boards)
{
    std::stable_sort(boards.begin(), boards.end(),
                     [](const auto& a, const auto& b) { return BoardBefore(a->serial, b->serial); });
}

} // namespace kovir
