#pragma once

#include "port/CrashReadableList.h"
#include "port/PortOutput.h"
#include "port/PreciseWait.h"
#include "port/WriteInProgress.h"
#include "port/sim/RawTrace.h"

#include <chrono>
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
    bool StopFromCrash(std::int16_t port) noexcept override;
    void HandStopsTo(StopHandOff& guard) override { guard_ = &guard; }

private:
    std::int64_t MicrosSinceStart() const;
    bool Written(std::int16_t port) const noexcept;

    std::FILE* trace_;
    RawTrace raw_;
    WriteInProgress write_; // inside the stream's write
    // The ports written so far, which alone the crash stop writes to, as a
    // real port is only stopped where the program already holds it. Fixed,
    // so that the crash handler reads it without a lock.
    CrashReadableList<std::int16_t, 16> written_;
    PulseClock clock_;
    StopHandOff* guard_ = nullptr;
    std::chrono::steady_clock::time_point start_;
};

} // namespace kovir
