#pragma once

#include "port/portlib/LptPortList.h"

#include <optional>
#include <string>
#include <vector>

namespace kovir {

// The PC's LPT ports and their I/O bases, as Windows' device manager lists
// them; none when the list cannot be had. A port without an I/O range (no
// resources assigned) is left out. Where the port driver has named no port,
// the device manager is not asked: that costs start-up time.
std::optional<std::vector<LptPort>> ListLptPorts();
std::optional<std::vector<LptPort>> LptPortsOfDeviceManager(); // asked in any case

} // namespace kovir
