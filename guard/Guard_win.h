#pragma once

#include "port/DrivenPorts.h"

#include <windows.h>

namespace kovir {

// The guard's whole work on Windows: reads the program's words (GuardWords.h)
// from `pipe` until the program's end of it closes, however the program
// ended. Then, unless the program said it wrote its last stop, waits for
// `program`'s end, so that what the program held is free (a board's D2XX
// handle), and writes the stop to each port it was handed whose lines
// `table` says may show anything but 0. Returns how many stops it wrote.
int GuardUntilTheEnd(HANDLE pipe, HANDLE program, const DrivenPorts& table);

} // namespace kovir
