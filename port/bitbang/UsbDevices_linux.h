#pragma once

#include "port/bitbang/FtdiDevice.h"

#include <string>
#include <vector>

namespace kovir {

// An FTDI device as Linux lists it in sysfs, which anyone may read: nothing
// is opened, and the device sees no request.
struct UsbFtdiDevice {
    FtdiDevice device;
    int bus = 0;
    int address = 0;
    std::string node;         // "/dev/bus/usb/001/002"
    std::string usbInterface; // its first interface: "1-1:1.0"
    std::string driver;       // the driver bound to it: "ftdi_sio", "usbfs" (a program), or none
    std::string tty;          // the serial port ftdi_sio made of it: "/dev/ttyUSB0"
};

// Every FTDI device under `devices` (/sys/bus/usb/devices), as the system
// numbers them. `proc` (/proc) tells whether a serial port is open.
std::vector<UsbFtdiDevice> ListUsbFtdiDevices(const std::string& devices = "/sys/bus/usb/devices",
                                             const std::string& proc = "/proc");

// Whether a program has the serial port `tty` open: as far as this program
// may look into other programs' descriptors under `proc` (all of them as
// root). A program whose descriptors it may not see leaves it unsure.
enum class TtyUse { Free, Open, Unsure };
TtyUse TtyUseOf(const std::string& tty, const std::string& proc = "/proc");

// Reads the driver and serial port of `device`'s interface again: a board
// kovir opens at its first write may have changed since it was listed.
void RefreshDriver(UsbFtdiDevice& device, const std::string& devices = "/sys/bus/usb/devices");

} // namespace kovir
