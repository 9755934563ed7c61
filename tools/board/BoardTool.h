#pragma once

#include "tools/board/BoardDevices.h"

#include <cstdio>
#include <string>

namespace kovir {

// kovir-board's commands. Each writes what it found and did on `out`,
// a failure on `err`, and returns the program's exit status.

// Every FTDI device: chip, serial number, where it sits on the bus, product
// description, whether it is a kovir board, and whether a program holds it.
int ListBoards(BoardDevices& devices, std::FILE* out, std::FILE* err);

// Makes the device with serial number `serial` a kovir board: starting from
// the chip's own EEPROM image, changes only what a kovir board needs, writes
// it, reads it back and compares, then resets the device.
// Before it writes, it saves the image it read in a file (SavedImage.h).
int PrepareBoard(BoardDevices& devices, const std::string& serial, std::FILE* out, std::FILE* err);

// Writes back the image prepare saved in `path`, to the device with its
// serial number, or, where none has it (a write cut half-way leaves the
// chip without it), to the same chip at the same place on the bus.
int RestoreBoard(BoardDevices& devices, const std::string& path, std::FILE* out, std::FILE* err);

} // namespace kovir
