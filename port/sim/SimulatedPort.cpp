#include "port/sim/SimulatedPort.h"

#include "port/PortAddressText.h"
#include "port/PreciseWait.h"

#include <bitset>
#include <cstdio>

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
    std::fwrite(line.data(), 1, line.size(), trace_);
    std::fflush(trace_);
}

void SimulatedPort::Wait(std::uint32_t milliseconds)
{
    PreciseWait(milliseconds);
}

} // namespace kovir
