#pragma once

#include "port/PortOutput.h"

#include <memory>

namespace kovir {

// The port with its guard: kovir-guard, a process of its own started with
// the port, which outlives the program and stops every port the program
// left driving once it is gone, however it ended. The guard shares the
// run's table of driving ports and is handed each port as it is prepared;
// the program's last word, once its close has stopped them, lets it end
// writing nothing.
//
// Where the guard cannot start, the port returned fails at its first
// write, Load's, with the operator's message: nothing reaches the port.
std::unique_ptr<PortOutput> Guarded(std::unique_ptr<PortOutput> port);

} // namespace kovir
