#include "port/sim/SimulatedPort.h"

#include "port/PortAddressText.h"
#include "port/PreciseWait.h"
#include "port/sim/TraceFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kovir {

SimulatedPort::SimulatedPort(std::FILE* trace)
    : trace_(trace), start_(std::chrono::steady_clock::now())
{
}

void SimulatedPort::PortOut(std::int16_t port, std::uint8_t value)
{
    const auto since = std::chrono::steady_clock::now() - start_;
    const std::string line =
        FormatTraceLine({std::chrono::duration_cast<std::chrono::microseconds>(since).count(),
                         static_cast<std::uint16_t>(port), value}) +
        '\n';
    // The trace is the simulated device: a byte that did not reach it must
    // not pass for one that did.
    const bool written = std::fwrite(line.data(), 1, line.size(), trace_) == line.size();
    if (!written || std::fflush(trace_) != 0) {
        const int error = errno;
        std::clearerr(trace_);
        throw std::runtime_error("Simulirani port " + HexAddress(port) +
                                 ": zapis nije moguće ispisati na standardni izlaz (" +
                                 std::strerror(error) + ").");
    }
}

void SimulatedPort::Wait(std::uint32_t milliseconds)
{
    PreciseWait(milliseconds);
}

void SimulatedPort::WaitIncluding(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    PreciseWait(milliseconds, meanwhile);
}

} // namespace kovir
