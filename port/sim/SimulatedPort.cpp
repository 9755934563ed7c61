#include "port/sim/SimulatedPort.h"

#include "port/PortAddressText.h"
#include "port/PreciseWait.h"
#include "port/sim/TraceFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kovir {

SimulatedPort::SimulatedPort(std::FILE* trace)
    : trace_(trace), raw_(trace), start_(std::chrono::steady_clock::now())
{
}

std::int64_t SimulatedPort::MicrosSinceStart() const
{
    const auto since = std::chrono::steady_clock::now() - start_;
    return std::chrono::duration_cast<std::chrono::microseconds>(since).count();
}

void SimulatedPort::PortOut(std::int16_t port, std::uint8_t value)
{
    // On the simulated lines the byte is there at the time the line says
    // (the wait's clock read just after it, so never before it); how long
    // the write then takes to reach a reader is not the device's.
    const std::int64_t micros = MicrosSinceStart();
    const std::int64_t onTheLines = PreciseNow();
    const std::string line =
        FormatTraceLine({micros, static_cast<std::uint16_t>(port), value}) + '\n';
    if (guard_ && !Written(port)) {
        // The guard writes its stop line to the same trace, timed the same way.
        const auto start = std::chrono::duration_cast<std::chrono::microseconds>(start_.time_since_epoch());
        guard_->HandOver({StopWay::TraceLine, port, 0, 0, start.count()}, raw_.Descriptor());
    }
    // The trace is the simulated device: a byte that did not reach it must
    // not pass for one that did.
    bool written = false;
    {
        const WriteInProgress::During writing(write_);
        written = std::fwrite(line.data(), 1, line.size(), trace_) == line.size() &&
                  std::fflush(trace_) == 0;
    }
    clock_.Mark(onTheLines);
    if (written && !Written(port)) {
        written_.Add(port); // past the sixteenth, a port is not stopped by a crash
    }
    if (!written) {
        const int error = errno;
        std::clearerr(trace_);
        throw std::runtime_error("Simulirani port " + HexAddress(port) +
                                 ": zapis nije moguće ispisati na standardni izlaz (" +
                                 std::strerror(error) + ").");
    }
}

bool SimulatedPort::Written(std::int16_t port) const noexcept
{
    return std::find(written_.begin(), written_.end(), port) != written_.end();
}

void SimulatedPort::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    clock_.Wait(milliseconds, meanwhile);
}

bool SimulatedPort::StopFromCrash(std::int16_t port) noexcept
{
    // Only to a port already written, as a real port is stopped only where
    // the program holds it. A crash inside the stream's own write, on the
    // thread that was writing, would put our line into the middle of that
    // one: then nothing more is written.
    if (write_.OnThisThread() || !Written(port)) {
        return false;
    }
    char line[TraceLineMax];
    std::size_t size = FormatTraceLineInto({MicrosSinceStart(), static_cast<std::uint16_t>(port), 0}, line);
    for (const char c : RawTrace::LineEnd()) {
        line[size++] = c; // room enough: a line is at most 48 characters
    }
    return raw_.Write(line, size);
}

} // namespace kovir
