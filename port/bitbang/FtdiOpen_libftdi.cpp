#include "port/bitbang/FtdiOpen_libftdi.h"

#include "port/bitbang/BoardProblem.h"

#include <ftdi.h>

#include <unistd.h>

#include <stdexcept>

namespace kovir {

namespace {

// libftdi's codes for ftdi_usb_open_dev's failures.
constexpr int OpenFailed = -4;  // libusb_open(): no rights, or gone
constexpr int ClaimFailed = -5; // the interface is held by another program

[[noreturn]] void Fail(const BoardProblem& problem)
{
    throw std::runtime_error(DescribeBoardProblem(problem));
}

} // namespace

void FtdiContextDeleter::operator()(ftdi_context* context) const
{
    ftdi_free(context);
}

FtdiContext OpenFtdi(UsbFtdiDevice& device)
{
    BoardProblem problem;
    problem.serial = device.device.serial;
    problem.device = device.node;
    problem.tty = device.tty;
    problem.usbInterface = device.usbInterface;
    RefreshDriver(device);
    const bool serialDriver = device.driver == "ftdi_sio";
    if (device.driver == "usbfs") {
        problem.fault = BoardFault::Busy;
        Fail(problem);
    }
    if (serialDriver && !device.tty.empty()) {
        problem.tty = device.tty;
        switch (TtyUseOf(device.tty)) {
        case TtyUse::Open:
            problem.fault = BoardFault::SerialOpen;
            Fail(problem);
        case TtyUse::Unsure:
            problem.fault = BoardFault::SerialUnsure;
            Fail(problem);
        case TtyUse::Free:
            break;
        }
    }
    FtdiContext context(ftdi_new());
    if (!context) {
        throw std::runtime_error("Biblioteka libftdi nije mogla da se pripremi.");
    }
    // No other driver is ever detached: its claim makes the board busy.
    context->module_detach_mode = serialDriver ? AUTO_DETACH_SIO_MODULE : DONT_DETACH_SIO_MODULE;
    const int rc = ftdi_usb_open_bus_addr(context.get(), static_cast<std::uint8_t>(device.bus),
                                          static_cast<std::uint8_t>(device.address));
    if (rc < 0) {
        if (rc == ClaimFailed) {
            problem.fault = BoardFault::Busy;
        } else if (rc == OpenFailed && access(device.node.c_str(), R_OK | W_OK) != 0) {
            problem.fault = BoardFault::NoPermission;
        }
        problem.reason = ftdi_get_error_string(context.get());
        Fail(problem);
    }
    return context;
}

} // namespace kovir
