#include "port/bitbang/BitBangBoards.h"

#include "port/bitbang/BoardEeprom.h"
#include "port/bitbang/BoardPins.h"
#include "port/bitbang/BoardProblem.h"
#include "port/bitbang/D2xx_win.h"

#include <stdexcept>

namespace kovir {

namespace {

// Whether a listed device is taken as a board: named "kovir"; or held by
// another program, which the driver then lists without its strings: a
// board a second kovir holds must be told busy, never skipped.
bool TakenAsBoard(const D2xx::Listed& listed)
{
    FtdiDevice named = listed.device;
    if (listed.openElsewhere && named.description.empty()) {
        named.description = KovirBoardName;
    }
    return IsKovirBoard(named);
}

} // namespace

struct BitBangBoards::Library : D2xx {
    using D2xx::D2xx;
};

struct BitBangBoards::Board {
    D2xx::Listed listed;
    const std::string& serial = listed.device.serial;
    D2xx::Handle handle = nullptr;
    bool handed = false; // to the guard

    BoardProblem Problem(BoardFault fault, std::string reason = {}) const
    {
        BoardProblem problem;
        problem.fault = fault;
        problem.serial = serial;
        problem.device = listed.device.place;
        problem.reason = std::move(reason);
        return problem;
    }
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
    library_ = std::make_unique<Library>(folders_);
    for (D2xx::Listed& listed : library_->List()) {
        if (!TakenAsBoard(listed)) {
            unprepared_.push_back(listed.device);
            continue;
        }
        auto board = std::make_unique<Board>();
        board->listed = std::move(listed);
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
    if (board.listed.openElsewhere) {
        throw std::runtime_error(DescribeBoardProblem(board.Problem(BoardFault::Busy)));
    }
    // By where it sits: a board may have no serial number, or share one with
    // another board (clones), but never its place on the bus.
    D2xx::Handle handle = nullptr;
    const D2xx::Status opened = library_->openEx(
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(board.listed.location)),
        D2xx::OpenByLocation, &handle);
    if (opened != D2xx::Ok) {
        throw std::runtime_error(DescribeBoardProblem(
            board.Problem(opened == D2xx::DeviceNotOpened ? BoardFault::Busy : BoardFault::System,
                          D2xx::StatusText("FT_OpenEx", opened))));
    }
    const char* call = "";
    const D2xx::Status status = library_->EnterBitBangAtRest(handle, BoardPinsFor(0), call);
    if (status != D2xx::Ok) {
        library_->close(handle);
        throw std::runtime_error(
            DescribeBoardProblem(board.Problem(BoardFault::System, D2xx::StatusText(call, status))));
    }
    board.handle = handle;
}

void BitBangBoards::Write(std::size_t index, std::uint8_t value)
{
    Board& board = *boards_.at(index);
    if (!board.handle) {
        Open(board);
    }
    std::uint8_t pins = BoardPinsFor(value);
    DWORD written = 0;
    D2xx::Status status = D2xx::Ok;
    {
        const WriteInProgress::During writing(write_);
        status = library_->write(board.handle, &pins, 1, &written);
    }
    if (status != D2xx::Ok || written != 1) {
        throw std::runtime_error(DescribeBoardProblem(
            board.Problem(BoardFault::System,
                          status != D2xx::Ok ? D2xx::StatusText("FT_Write", status)
                                             : "pločica ne odgovara (FT_Write nije upisala bajt)")));
    }
}

bool BitBangBoards::StopFromCrash(std::size_t index) noexcept
{
    if (write_.OnThisThread() || index >= boards_.size() || !boards_[index]->handle) {
        return false;
    }
    std::uint8_t stop = BoardPinsFor(0);
    DWORD written = 0;
    return library_->write(boards_[index]->handle, &stop, 1, &written) == D2xx::Ok && written == 1;
}

void BitBangBoards::HandStopTo(std::size_t index, std::int16_t address, StopHandOff& guard)
{
    // D2XX's handle is this process's alone: the guard opens the board
    // itself, where it sits, once the program is gone.
    Board& board = *boards_.at(index);
    if (!board.handed) {
        guard.HandOver({StopWay::D2xxBoard, address, BoardPinsFor(0), 0,
                        static_cast<std::int64_t>(board.listed.location)},
                       -1);
        board.handed = true;
    }
}

} // namespace kovir
