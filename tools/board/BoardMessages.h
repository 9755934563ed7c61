#pragma once

#include "port/bitbang/BoardEeprom.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kovir {

// What kovir-board's commands say alike.

std::string Hex(unsigned value, int digits);
// "08, 0A, 7E": the EEPROM offsets, as the operator compares them.
std::string OffsetList(const std::vector<std::size_t>& offsets);
// Why an image cannot be made a kovir board's, for the operator.
std::string FaultText(EepromFault fault);
// "kovir-board: pločica SERIAL <what>: WHY" on `err`; the exit status 1.
int Refuse(std::FILE* err, const std::string& serial, const std::string& what, const std::string& why);

} // namespace kovir
