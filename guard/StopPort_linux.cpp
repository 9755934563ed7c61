#include "guard/StopPort.h"

#include "port/sim/TraceFormat.h"

#include <linux/ppdev.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <ctime>

namespace kovir {

namespace {

bool WriteAll(int descriptor, const char* text, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(descriptor, text, size);
        if (written <= 0) {
            return false;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A trace line timed as the program times its own: since its start, on
// the monotonic clock.
bool WriteTraceLine(const PortStop& stop, int descriptor)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t micros = std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000 - stop.at;
    char line[TraceLineMax];
    std::size_t size = FormatTraceLineInto(
        {micros < 0 ? 0 : micros, static_cast<std::uint16_t>(stop.port), stop.stop}, line);
    line[size++] = '\n';
    return WriteAll(descriptor, line, size);
}

} // namespace

bool StopPort(const PortStop& stop, int descriptor) noexcept
{
    unsigned char byte = stop.stop;
    switch (stop.way) {
    case StopWay::TraceLine:
        return WriteTraceLine(stop, descriptor);
    case StopWay::PpdevData:
        return ioctl(descriptor, PPWDATA, &byte) == 0;
    case StopWay::DevPort:
        return pwrite(descriptor, &byte, 1, static_cast<off_t>(stop.at)) == 1;
    case StopWay::UsbBulk: {
        usbdevfs_bulktransfer transfer{};
        transfer.ep = stop.endpoint;
        transfer.len = 1;
        transfer.timeout = 500; // ms: a board gone from the bus does not hold the guard
        transfer.data = &byte;
        return ioctl(descriptor, USBDEVFS_BULK, &transfer) == 1;
    }
    case StopWay::PortLibrary:
    case StopWay::D2xxBoard:
        return false; // Windows' ways
    }
    return false;
}

} // namespace kovir
