#pragma once

#include "tools/board/BoardDevices.h"

#include <cstdio>
#include <string>

namespace kovir {

// kovir-board's two commands. Each writes what it found and did on `out`,
// a failure on `err`, and returns the program's exit status.

// Every FTDI device: chip, serial number, where it sits on the bus, product
// description, whether it is a kovir board, and whether a program holds it.
int ListBoards(BoardDevices& devices, std::FILE* out, std::FILE* err);

// Makes the device with serial number `serial` a kovir board: starting from
// the chip's own EEPROM image, changes only what a kovir board needs, writes
// it, reads it back and compares, then resets the device.
int PrepareBoard(BoardDevices& devices, const std::string& serial, std::FILE* out, std::FILE* err);

} // namespace kovir
