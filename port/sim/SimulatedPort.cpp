#include "port/sim/SimulatedPort.h"

#include "port/PortAddressText.h"
#include "port/PreciseWait.h"

#include <bitset>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kovir {

std::string TraceLine(std::chrono::nanoseconds sinceStart, std::int16_t port, std::uint8_t value)
{
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(sinceStart).count();
    char head[48];
    std::snprintf(head, sizeof head, "%lld.%06lld %s 0x%02X ",
                  static_cast<long long>(micros / 1'000'000),
                  static_cast<long long>(micros % 1'000'000), HexAddress(port).c_str(),
                  static_cast<unsigned>(value));
    return head + std::bitset<8>(value).to_string();
}

SimulatedPort::SimulatedPort(std::FILE* trace)
    : trace_(trace), start_(std::chrono::steady_clock::now())
{
}

void SimulatedPort::PortOut(std::int16_t port, std::uint8_t value)
{
    const std::string line = TraceLine(std::chrono::steady_clock::now() - start_, port, value) + '\n';
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

} // namespace kovir
