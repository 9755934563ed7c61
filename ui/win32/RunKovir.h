#pragma once

#include "port/PortOutput.h"

#include <memory>

namespace kovir {

// The whole program on the given port: the window, its message loop, the
// stop on the way out, and the one place where failures are shown.
// Returns the process's exit status: 0 after a normal end, 1 after a failure.
int RunKovir(std::unique_ptr<PortOutput> port);

} // namespace kovir
