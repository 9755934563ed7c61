#pragma once

#include <cstdint>

namespace kovir {

// How the guard stops a port once the program is gone. The guard is a
// process of its own that outlives the program; it is handed a duplicate of
// the descriptor the program's crash stop writes through, and what to write.
enum class StopWay : std::uint8_t {
    TraceLine = 1, // the simulated port: a trace line of 0, on the trace
    PpdevData = 2, // ppdev: the data register set to `stop`
    DevPort = 3,   // raw I/O: `stop` written to /dev/port at the base `at`
    UsbBulk = 4,   // a board through usbfs: `stop` in one bulk transfer to `endpoint`
    // Windows, where a port library's or D2XX's hold on the port is the
    // process's own: the guard takes its own once the program is gone.
    PortLibrary = 5, // `stop` written to `at` through the port library of index `endpoint`
    D2xxBoard = 6,   // a board opened by its location `at`, `stop` its pins' byte
};

struct PortStop {
    StopWay way = StopWay::TraceLine;
    std::int16_t port = 0;     // the address the program writes it as
    std::uint8_t stop = 0;     // the byte that shows the device 0 that way
    std::uint8_t endpoint = 0; // UsbBulk
    std::int64_t at = 0;       // DevPort, PortLibrary: the base; D2xxBoard: the location;
                               // TraceLine: the trace's start, in µs of the monotonic clock
    friend bool operator==(const PortStop&, const PortStop&) = default;
};

// Where a port hands what the guard needs, before its first byte.
class StopHandOff {
public:
    // Throws when the guard cannot take it: the port is then not driven.
    // `descriptor`: what the stop is written through (on Windows a HANDLE),
    // or -1 where the guard opens the port itself.
    virtual void HandOver(const PortStop& stop, int descriptor) = 0;

protected:
    StopHandOff() = default;
    ~StopHandOff() = default;
    StopHandOff(const StopHandOff&) = default;
    StopHandOff& operator=(const StopHandOff&) = default;
};

} // namespace kovir
