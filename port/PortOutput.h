#pragma once

#include "port/DrivenPorts.h"
#include "port/PortName.h"
#include "port/StopHandOff.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kovir {

// The program's only way to the hardware and to time. One backend is linked
// into each executable; the command core sees nothing but this interface.
class PortOutput {
public:
    virtual ~PortOutput() = default;

    // Puts `value` on the data lines of the I/O port at `port`; when the call
    // returns, the byte is on the lines. Throws when the port cannot be reached.
    virtual void PortOut(std::int16_t port, std::uint8_t value) = 0;

    // Blocks the calling thread until `milliseconds` have passed since the
    // last byte reached the lines (since the call, before any byte), with
    // `meanwhile`, if given, done inside that time: a sound pulse on the lines
    // then lasts the wait, whatever the write, the window's paint or a reader
    // of the trace took around it. Never earlier.
    virtual void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {}) = 0;

    // What the window shows after "LPTn: " for the option at `port`: the
    // port that address drives on this PC ("378", "D010", "USB"). Where the
    // ports are is known after the first write; a port that drives every
    // address as itself names the address.
    virtual std::string DrivenPortName(std::int16_t port)
    {
        return PortName(static_cast<std::uint16_t>(port));
    }

    // Writes 0, the stop, to `port` from a crash handler, where nothing may
    // allocate or take a lock: only through what an earlier write prepared,
    // and only to a port this program already drives. A crash inside the
    // port's own write, on that thread, writes nothing more where the stop
    // would enter the same library again (a port DLL, D2XX, the C stream);
    // one system call of its own (ppdev, /dev/port, usbfs) still goes out.
    // A port that cannot do this safely does nothing. Whether the stop went
    // out.
    virtual bool StopFromCrash([[maybe_unused]] std::int16_t port) noexcept { return false; }

    // Before the first write: each port prepared from now on is handed to
    // `guard` before its first byte, so that it can be stopped once the
    // program is gone. A port that cannot be stopped from outside hands
    // nothing.
    virtual void HandStopsTo([[maybe_unused]] StopHandOff& guard) {}

    // Which of this run's ports are driving, kept where the guard reads it
    // too; nullptr where there is no guard, and the program keeps its own.
    virtual DrivenPorts* SharedDrivenPorts() noexcept { return nullptr; }

    // Every port the run drove has had its stop: nothing more reaches them.
    virtual void LastStopWritten() noexcept {}

protected:
    PortOutput() = default;
    PortOutput(const PortOutput&) = default;
    PortOutput& operator=(const PortOutput&) = default;
};

} // namespace kovir
