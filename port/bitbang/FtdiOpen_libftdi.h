#pragma once

#include "port/bitbang/UsbDevices_linux.h"

#include <memory>

struct ftdi_context;

namespace kovir {

struct FtdiContextDeleter {
    void operator()(ftdi_context* context) const;
};
using FtdiContext = std::unique_ptr<ftdi_context, FtdiContextDeleter>;

// Opens `device` through libftdi for this program alone, or throws with the
// operator's message. Where the serial driver has made it a serial port,
// that driver is set aside only when no program has the port open: setting
// it aside would hang up whoever had. Another program's claim, or rights
// this user lacks, leave the device untouched.
FtdiContext OpenFtdi(UsbFtdiDevice& device);

} // namespace kovir
