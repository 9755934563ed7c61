#include "port/bitbang/BitBangBoards.h"

#include "port/bitbang/BoardProblem.h"
#include "windows/SystemLibrary.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace kovir {

namespace {

// FTDI's D2XX, as its programmer's guide publishes it; stdcall on x86.
using FtStatus = ULONG;
using FtHandle = void*;
using CreateDeviceInfoListFunction = FtStatus(WINAPI*)(DWORD* count);
using GetDeviceInfoDetailFunction = FtStatus(WINAPI*)(DWORD index, DWORD* flags, DWORD* type,
                                                      DWORD* id, DWORD* location, char* serial,
                                                      char* description, FtHandle* handle);
using OpenExFunction = FtStatus(WINAPI*)(void* what, DWORD how, FtHandle* handle);
using SetBitModeFunction = FtStatus(WINAPI*)(FtHandle, UCHAR mask, UCHAR mode);
using WriteFunction = FtStatus(WINAPI*)(FtHandle, void* data, DWORD size, DWORD* written);
using CloseFunction = FtStatus(WINAPI*)(FtHandle);

constexpr FtStatus FtOk = 0;
constexpr FtStatus FtDeviceNotOpened = 3;
constexpr DWORD FtFlagsOpened = 1;         // another program has the board open
constexpr DWORD FtOpenBySerialNumber = 1;
constexpr UCHAR FtBitModeAsyncBitBang = 1;

// D2XX's ID is the vendor ID above the product ID.
bool IsBoard(DWORD id)
{
    return id >> 16 == BoardVendor && std::find(BoardProducts.begin(), BoardProducts.end(),
                                                 static_cast<std::uint16_t>(id & 0xFFFF)) !=
                                          BoardProducts.end();
}

std::string StatusText(const char* call, FtStatus status)
{
    return std::string(call) + " je vratila kod " + std::to_string(status);
}

} // namespace

struct BitBangBoards::Library {
    HMODULE module = nullptr;
    CreateDeviceInfoListFunction createDeviceInfoList = nullptr;
    GetDeviceInfoDetailFunction getDeviceInfoDetail = nullptr;
    OpenExFunction openEx = nullptr;
    SetBitModeFunction setBitMode = nullptr;
    WriteFunction write = nullptr;
    CloseFunction close = nullptr;

    explicit Library(HMODULE bound) : module(bound)
    {
        createDeviceInfoList = BoundFunction<CreateDeviceInfoListFunction>(module, "FT_CreateDeviceInfoList");
        getDeviceInfoDetail = BoundFunction<GetDeviceInfoDetailFunction>(module, "FT_GetDeviceInfoDetail");
        openEx = BoundFunction<OpenExFunction>(module, "FT_OpenEx");
        setBitMode = BoundFunction<SetBitModeFunction>(module, "FT_SetBitMode");
        write = BoundFunction<WriteFunction>(module, "FT_Write");
        close = BoundFunction<CloseFunction>(module, "FT_Close");
    }
    ~Library() { FreeLibrary(module); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Complete() const
    {
        return createDeviceInfoList && getDeviceInfoDetail && openEx && setBitMode && write && close;
    }
};

struct BitBangBoards::Board {
    std::string serial;
    bool openElsewhere = false;
    FtHandle handle = nullptr;
};

BitBangBoards::BitBangBoards() = default;

BitBangBoards::BitBangBoards(std::vector<std::wstring> folders) : folders_(std::move(folders)) {}

BitBangBoards::~BitBangBoards()
{
    // Closed, not reset: the pins keep the last byte, the close's 0.
    for (const auto& board : boards_) {
        if (board->handle) {
            library_->close(board->handle);
        }
    }
}

std::size_t BitBangBoards::Count()
{
    if (listed_) {
        return boards_.size();
    }
    listed_ = true;
    // Without FTDI's driver there is no library: no boards, and no error.
    HMODULE module = nullptr;
    if (folders_.empty()) {
        module = LoadTrustedLibrary(L"ftd2xx.dll");
    }
    for (const std::wstring& folder : folders_) {
        const std::wstring path = folder + L"\\ftd2xx.dll";
        if (!module && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            module = LoadLibraryExW(path.c_str(), nullptr, TrustedLoadFlags());
        }
    }
    if (!module) {
        return 0;
    }
    library_ = std::make_unique<Library>(module);
    DWORD count = 0;
    if (!library_->Complete() || library_->createDeviceInfoList(&count) != FtOk) {
        return 0;
    }
    for (DWORD i = 0; i < count; ++i) {
        DWORD flags = 0, type = 0, id = 0, location = 0;
        char serial[16] = {};
        char description[64] = {};
        FtHandle handle = nullptr;
        if (library_->getDeviceInfoDetail(i, &flags, &type, &id, &location, serial, description,
                                          &handle) != FtOk ||
            !IsBoard(id)) {
            continue;
        }
        auto board = std::make_unique<Board>();
        board->serial.assign(serial, strnlen(serial, sizeof serial));
        board->openElsewhere = (flags & FtFlagsOpened) != 0;
        boards_.push_back(std::move(board));
    }
    SortBoards(boards_);
    return boards_.size();
}

void BitBangBoards::Open(Board& board)
{
    BoardProblem problem;
    problem.serial = board.serial;
    // Another program's board gives no serial number to open it by.
    if (board.openElsewhere || board.serial.empty()) {
        problem.fault = BoardFault::Busy;
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    FtHandle handle = nullptr;
    const FtStatus opened = library_->openEx(board.serial.data(), FtOpenBySerialNumber, &handle);
    if (opened != FtOk) {
        problem.fault = opened == FtDeviceNotOpened ? BoardFault::Busy : BoardFault::System;
        problem.reason = StatusText("FT_OpenEx", opened);
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    // All eight pins outputs, each holding its bit of the last byte written.
    if (const FtStatus set = library_->setBitMode(handle, 0xFF, FtBitModeAsyncBitBang); set != FtOk) {
        library_->close(handle);
        problem.reason = StatusText("FT_SetBitMode", set);
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    board.handle = handle;
}

void BitBangBoards::Write(std::size_t index, std::uint8_t value)
{
    Board& board = *boards_.at(index);
    if (!board.handle) {
        Open(board);
    }
    DWORD written = 0;
    writing_ = 1;
    const FtStatus status = library_->write(board.handle, &value, 1, &written);
    writing_ = 0;
    if (status != FtOk || written != 1) {
        BoardProblem problem;
        problem.serial = board.serial;
        problem.reason = StatusText("FT_Write", status);
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
}

void BitBangBoards::StopFromCrash(std::size_t index) noexcept
{
    if (writing_ || index >= boards_.size() || !boards_[index]->handle) {
        return;
    }
    std::uint8_t stop = 0;
    DWORD written = 0;
    library_->write(boards_[index]->handle, &stop, 1, &written);
}

} // namespace kovir
