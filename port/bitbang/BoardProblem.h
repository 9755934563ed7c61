#pragma once

#include <string>

namespace kovir {

// Why a USB bit-bang board could not be driven.
enum class BoardFault {
    NoPermission, // the board's device node is not open to this user
    Busy,         // another program (or another kovir) holds the board
    System,       // anything else; `reason` says what
};

struct BoardProblem {
    BoardFault fault = BoardFault::System;
    std::string serial; // the board's serial number, when it could be read
    std::string device; // e.g. "/dev/bus/usb/001/004", when there is one
    std::string reason; // the library's own words, for BoardFault::System
};

// The message the operator sees: Serbian, naming the board as its label
// does ("USB") with its serial number, the reason, and what to do about it.
std::string DescribeBoardProblem(const BoardProblem& problem);

} // namespace kovir
