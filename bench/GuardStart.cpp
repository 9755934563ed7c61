// What the guard adds before the first paint: starting kovir-guard with the
// port (the shared table, the socket pair, posix_spawn, the first word; on
// Windows the pipe and the starter, which starts the guard and ends) and
// handing it the simulated port at Load's first write. Built beside
// kovir-guard, where the programs find it.
//   guard_start [STARTS [NULL DEVICE]]
// Prints one line:
//   starts=<n> median=<µs> p95=<µs> alone=<µs>
// (alone: the median of the start by itself, before the first write: on
// Windows the window is made while the starter runs)
#include "guard/GuardedPort.h"
#include "port/sim/SimulatedPort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::atoi(argv[1]) : 50;
    // Where the trace goes: nowhere ("NUL" on Windows).
    std::FILE* trace = std::fopen(argc > 2 ? argv[2] : "/dev/null", "w");
    if (!trace) {
        return 1;
    }
    std::vector<double> micros, alone;
    for (int i = 0; i < starts; ++i) {
        const auto before = std::chrono::steady_clock::now();
        auto port = kovir::Guarded(std::make_unique<kovir::SimulatedPort>(trace));
        const auto started = std::chrono::steady_clock::now();
        port->PortOut(0x378, 0); // Load's stop, the first port handed over
        const auto after = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(after - before).count());
        alone.push_back(std::chrono::duration<double, std::micro>(started - before).count());
        port->LastStopWritten();
    }
    std::sort(micros.begin(), micros.end());
    std::sort(alone.begin(), alone.end());
    std::printf("starts=%d median=%.1f p95=%.1f alone=%.1f\n", starts, micros[micros.size() / 2],
                micros[static_cast<std::size_t>(0.95 * static_cast<double>(micros.size() - 1))],
                alone[alone.size() / 2]);
    return 0;
}
