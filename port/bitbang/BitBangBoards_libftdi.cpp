#include "port/bitbang/BitBangBoards.h"

#include "port/bitbang/BoardPins.h"
#include "port/bitbang/BoardProblem.h"
#include "port/bitbang/FtdiOpen_libftdi.h"
#include "port/bitbang/UsbDevices_linux.h"

#include <ftdi.h>

#include <dirent.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace kovir {

namespace {

// The descriptor libusb opened the board's node with: a crash handler writes
// through it with one ioctl, where libusb itself would allocate.
int DescriptorOf(const std::string& node)
{
    int found = -1;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) {
        return found;
    }
    const int own = dirfd(fds);
    while (const dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] == '.' || fd == own) {
            continue;
        }
        std::array<char, 64> target{};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
        if (length > 0 && node == target.data()) {
            found = fd;
        }
    }
    closedir(fds);
    return found;
}

} // namespace

struct BitBangBoards::Board {
    UsbFtdiDevice listed;
    const std::string& serial = listed.device.serial;
    FtdiContext open;    // once opened
    int descriptor = -1; // libusb's descriptor of the node, for the crash handler
    unsigned char endpoint = 0;
    bool handed = false; // to the guard

    BoardProblem Problem(const char* reason) const
    {
        BoardProblem problem;
        problem.serial = serial;
        problem.device = listed.node;
        problem.reason = reason;
        return problem;
    }
};

BitBangBoards::BitBangBoards() = default;

BitBangBoards::~BitBangBoards()
{
    // Released, not reset: the pins keep the last byte, the close's 0.
    for (const auto& board : boards_) {
        if (board->open) {
            ftdi_usb_close(board->open.get());
        }
    }
}

std::size_t BitBangBoards::Count()
{
    if (listed_) {
        return boards_.size();
    }
    listed_ = true;
    // Listed from sysfs: no device is opened or asked anything.
    for (UsbFtdiDevice& device : ListUsbFtdiDevices()) {
        if (!IsKovirBoard(device.device)) {
            unprepared_.push_back(device.device);
            continue;
        }
        auto board = std::make_unique<Board>();
        board->listed = std::move(device);
        boards_.push_back(std::move(board));
    }
    SortBoards(boards_);
    return boards_.size();
}

std::string BitBangBoards::Name(std::size_t index)
{
    return BoardNameAmong(boards_, index);
}

void BitBangBoards::Open(Board& board)
{
    FtdiContext context = OpenFtdi(board.listed);
    // A board gone from the bus or hung fails a write within half a second,
    // as on Windows, not at libftdi's own 5 s.
    context->usb_write_timeout = 500;
    // Into bit-bang mode showing the device nothing but 0: first every pin
    // an input (held at 0 by its pull-down), then 0 written, then every pin
    // an output, driving what was written.
    const unsigned char stop = 0;
    if (ftdi_set_bitmode(context.get(), 0x00, BITMODE_BITBANG) < 0 ||
        ftdi_write_data(context.get(), &stop, 1) != 1 ||
        ftdi_set_bitmode(context.get(), 0xFF, BITMODE_BITBANG) < 0) {
        const BoardProblem problem = board.Problem(ftdi_get_error_string(context.get()));
        ftdi_usb_close(context.get());
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    board.endpoint = static_cast<unsigned char>(context->in_ep); // libftdi writes to in_ep
    board.descriptor = DescriptorOf(board.listed.node);
    board.open = std::move(context);
}

void BitBangBoards::Write(std::size_t index, std::uint8_t value)
{
    Board& board = *boards_.at(index);
    if (!board.open) {
        Open(board);
    }
    const unsigned char pins = BoardPinsFor(value);
    const int written = ftdi_write_data(board.open.get(), &pins, 1);
    if (written != 1) {
        throw std::runtime_error(
            DescribeBoardProblem(board.Problem(ftdi_get_error_string(board.open.get()))));
    }
}

bool BitBangBoards::StopFromCrash(std::size_t index) noexcept
{
    // Its own bulk transfer through usbfs, libusb not entered: also on the
    // thread a crash caught inside libftdi's write, after whose byte it goes.
    if (index >= boards_.size()) {
        return false;
    }
    const Board& board = *boards_[index];
    if (!board.open || board.descriptor < 0) {
        return false;
    }
    unsigned char stop = BoardPinsFor(0);
    usbdevfs_bulktransfer transfer{};
    transfer.ep = board.endpoint;
    transfer.len = 1;
    transfer.timeout = 500; // ms; a board gone from the bus does not hold the end
    transfer.data = &stop;
    return ioctl(board.descriptor, USBDEVFS_BULK, &transfer) == 1;
}

void BitBangBoards::HandStopTo(std::size_t index, std::int16_t address, StopHandOff& guard)
{
    Board& board = *boards_.at(index);
    if (!board.open) {
        Open(board);
    }
    if (!board.handed && board.descriptor >= 0) {
        guard.HandOver({StopWay::UsbBulk, address, BoardPinsFor(0), board.endpoint, 0},
                       board.descriptor);
        board.handed = true;
    }
}

} // namespace kovir
