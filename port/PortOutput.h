#pragma once

#include <cstdint>

namespace kovir {

// The program's only way to the hardware and to time. One backend is linked
// into each executable; the command core sees nothing but this interface.
class PortOutput {
public:
    virtual ~PortOutput() = default;

    // Puts `value` on the data lines of the I/O port at `port`; when the call
    // returns, the byte is on the lines. Throws when the port cannot be reached.
    virtual void PortOut(std::int16_t port, std::uint8_t value) = 0;

    // Blocks the calling thread for at least `milliseconds`.
    virtual void Wait(std::uint32_t milliseconds) = 0;

protected:
    PortOutput() = default;
    PortOutput(const PortOutput&) = default;
    PortOutput& operator=(const PortOutput&) = default;
};

} // namespace kovir
