#include "port/bitbang/BitBangBoards.h"

#include "port/bitbang/BoardProblem.h"

#include <ftdi.h>
#include <libusb.h>

#include <dirent.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kovir {

namespace {

// libftdi's codes for ftdi_usb_open_dev's failures.
constexpr int OpenFailed = -4;  // libusb_open(): no rights, or gone
constexpr int ClaimFailed = -5; // the interface is held by another program

std::string UsbNode(int bus, int address)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "/dev/bus/usb/%03d/%03d", bus, address);
    return text.data();
}

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

struct FtdiContextDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using FtdiContext = std::unique_ptr<ftdi_context, FtdiContextDeleter>;

FtdiContext NewContext()
{
    FtdiContext context(ftdi_new());
    if (!context) {
        throw std::runtime_error("Biblioteka libftdi nije mogla da se pripremi.");
    }
    return context;
}

} // namespace

struct BitBangBoards::Board {
    int bus = 0;
    int address = 0;
    std::string serial;
    FtdiContext open;   // once opened
    int descriptor = -1; // libusb's descriptor of the node, for the crash handler
    unsigned char endpoint = 0;
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
    // No USB subsystem to ask (libusb cannot start): no boards, and the
    // PC's parallel ports work as ever.
    FtdiContext lister(ftdi_new());
    if (!lister) {
        return 0;
    }
    for (const std::uint16_t product : BoardProducts) {
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(lister.get(), &list, BoardVendor, product) < 0) {
            break;
        }
        for (ftdi_device_list* item = list; item; item = item->next) {
            auto board = std::make_unique<Board>();
            board->bus = libusb_get_bus_number(item->dev);
            board->address = libusb_get_device_address(item->dev);
            // Reading the serial opens the board; without rights it stays
            // unknown here, and the first write says why.
            std::array<char, 64> serial{};
            if (ftdi_usb_get_strings2(lister.get(), item->dev, nullptr, 0, nullptr, 0,
                                      serial.data(), serial.size()) == 0) {
                board->serial = serial.data();
            }
            boards_.push_back(std::move(board));
        }
        ftdi_list_free(&list);
    }
    SortBoards(boards_);
    return boards_.size();
}

void BitBangBoards::Open(Board& board)
{
    BoardProblem problem;
    problem.serial = board.serial;
    problem.device = UsbNode(board.bus, board.address);
    FtdiContext context = NewContext();
    const int rc = ftdi_usb_open_bus_addr(context.get(), static_cast<std::uint8_t>(board.bus),
                                          static_cast<std::uint8_t>(board.address));
    if (rc < 0) {
        if (rc == ClaimFailed) {
            problem.fault = BoardFault::Busy;
        } else if (rc == OpenFailed && access(problem.device.c_str(), R_OK | W_OK) != 0) {
            problem.fault = BoardFault::NoPermission;
        }
        problem.reason = ftdi_get_error_string(context.get());
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    // All eight pins outputs, each holding its bit of the last byte written.
    if (ftdi_set_bitmode(context.get(), 0xFF, BITMODE_BITBANG) < 0) {
        problem.reason = ftdi_get_error_string(context.get());
        ftdi_usb_close(context.get());
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    board.endpoint = static_cast<unsigned char>(context->in_ep); // libftdi writes to in_ep
    board.descriptor = DescriptorOf(problem.device);
    board.open = std::move(context);
}

void BitBangBoards::Write(std::size_t index, std::uint8_t value)
{
    Board& board = *boards_.at(index);
    if (!board.open) {
        Open(board);
    }
    writing_ = 1;
    const int written = ftdi_write_data(board.open.get(), &value, 1);
    writing_ = 0;
    if (written != 1) {
        BoardProblem problem;
        problem.serial = board.serial;
        problem.device = UsbNode(board.bus, board.address);
        problem.reason = ftdi_get_error_string(board.open.get());
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
}

void BitBangBoards::StopFromCrash(std::size_t index) noexcept
{
    if (writing_ || index >= boards_.size()) {
        return;
    }
    const Board& board = *boards_[index];
    if (!board.open || board.descriptor < 0) {
        return;
    }
    unsigned char stop = 0;
    usbdevfs_bulktransfer transfer{};
    transfer.ep = board.endpoint;
    transfer.len = 1;
    transfer.timeout = 500; // ms; a board gone from the bus does not hold the end
    transfer.data = &stop;
    ioctl(board.descriptor, USBDEVFS_BULK, &transfer);
}

} // namespace kovir
