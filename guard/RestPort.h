#pragma once

namespace kovir {

// Puts 0 on the data lines of the parallel port whose ppdev node is
// `device`, and lets the port go: what the package runs for each port as
// the kernel registers it at boot, so that the device rests at 0 from then
// on rather than on whatever the kernel's probe of the port left there.
// Returns the exit status: 0, or 1 with the reason on standard error.
int RestPort(const char* device);

} // namespace kovir
