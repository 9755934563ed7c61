#pragma once

#include <string>

namespace kovir {

// Why a USB bit-bang board could not be driven.
enum class BoardFault {
    NoPermission, // the board's device node is not open to this user
    Busy,         // another program (or another kovir) holds the board
    SerialOpen,   // the serial driver made it a serial port, which a program has open
    SerialUnsure, // the serial driver made it a serial port; whether one uses it is unknown
    System,       // anything else; `reason` says what
};

struct BoardProblem {
    BoardFault fault = BoardFault::System;
    std::string serial; // the board's serial number, when it could be read
    std::string device; // e.g. "/dev/bus/usb/001/004", when there is one
    std::string reason; // the library's own words, for BoardFault::System
    std::string tty;    // the serial port the serial driver made of it: "/dev/ttyUSB0"
    std::string usbInterface; // its USB interface, as sysfs names it: "1-1:1.0"
};

// The message the operator sees: Serbian, naming the board as its label
// does ("USB") with its serial number, the reason, and what to do about it.
std::string DescribeBoardProblem(const BoardProblem& problem);

} // namespace kovir
