#pragma once

#include "port/PortOutput.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kovir {

// One line of the simulated port's trace:
//   "<seconds since start, 6 decimals> 0x<port> 0x<value> <D7..D0>"
// e.g. "0.041233 0x378 0x0F 00001111".
std::string TraceLine(std::chrono::nanoseconds sinceStart, std::int16_t port, std::uint8_t value);

// Stands in for the device: every port write becomes one trace line, flushed
// at once so that a reader of the stream sees each byte when it is "on the
// lines". The wait is real, so pulses in the trace last as long as on a port.
// (A C stream rather than an iostream: the program has no other use for
// iostreams, and their set-up would cost every run memory.)
class SimulatedPort final : public PortOutput {
public:
    explicit SimulatedPort(std::FILE* trace);

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds) override;

private:
    std::FILE* trace_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace kovir
