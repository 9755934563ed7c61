#pragma once

#include "port/PortOutput.h"
#include "port/PreciseWait.h"
#include "port/sim/RawTrace.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>

namespace kovir {

// Stands in for the device: every port write becomes one trace line
// (TraceFormat.h), flushed at once so that a reader of the stream sees each
// byte when it is "on the lines". The wait is real and counts from the time
// on the line, so pulses in the trace last as long as on a port.
// (A C stream rather than an iostream: the program has no other use for
// iostreams, and their set-up would cost every run memory.)
class SimulatedPort final : public PortOutput {
public:
    explicit SimulatedPort(std::FILE* trace);

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {}) override;
    void StopFromCrash(std::int16_t port) noexcept override;

private:
    std::int64_t MicrosSinceStart() const;

    std::FILE* trace_;
    RawTrace raw_;
    volatile std::sig_atomic_t writing_ = 0; // inside the stream's write
    PulseClock clock_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace kovir
