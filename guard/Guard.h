#pragma once

namespace kovir {

// The guard's whole work: reads the program's words (GuardWords.h) from
// `socket` until the program's end of it closes, however the program ended.
// Then, unless the program said it wrote its last stop, writes the stop to
// each port it was handed whose lines the program's table says may show
// anything but 0 (every port handed, where no table came). Returns how many
// stops it wrote.
int GuardUntilTheEnd(int socket);

} // namespace kovir
