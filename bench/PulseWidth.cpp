// Sound pulses on the simulated port, each measured as the port sees it: the
// time between the two trace lines of the pulse, and the processor time the
// program spent per pulse (the wait's polling, mostly). Prints one line:
//   pulses=<n> min=<ms> median=<ms> p99=<ms> max=<ms> cpu=<ms per pulse>
#include "bench/NullPort.h"
#include "bench/ProcessCpu.h"
#include "core/Controller.h"
#include "port/sim/SimulatedPort.h"
#include "port/sim/TraceFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    const int pulses = argc > 1 ? std::atoi(argv[1]) : 200;
    std::FILE* trace = std::tmpfile();
    if (!trace) {
        return 1;
    }
    kovir::SimulatedPort port(trace);
    kovir::bench::NullPanel panel;
    kovir::Controller controller(port, panel);
    controller.Start();
    const double cpuBefore = kovir::bench::ProcessCpuMilliseconds();
    for (int i = 0; i < pulses; ++i) {
        controller.Sound();
    }
    const double cpuPerPulse =
        (kovir::bench::ProcessCpuMilliseconds() - cpuBefore) / (pulses > 0 ? pulses : 1);

    std::vector<double> times;
    std::rewind(trace);
    char line[kovir::TraceLineMax + 2];
    std::string why;
    while (std::fgets(line, sizeof line, trace)) {
        std::string_view text(line);
        text.remove_suffix(text.ends_with('\n') ? 1 : 0);
        const auto record = kovir::ParseTraceLine(text, why);
        if (!record) {
            std::fprintf(stderr, "pulse_width: %s\n", why.c_str());
            return 1;
        }
        times.push_back(static_cast<double>(record->micros) / 1e6);
    }
    std::vector<double> widths; // lines: start, then (up, down) per pulse
    for (std::size_t i = 1; i + 1 < times.size(); i += 2) {
        widths.push_back((times[i + 1] - times[i]) * 1000.0);
    }
    std::sort(widths.begin(), widths.end());
    if (widths.empty()) {
        return 1;
    }
    auto at = [&](double q) { return widths[static_cast<std::size_t>(q * (widths.size() - 1))]; };
    std::printf("pulses=%zu min=%.3f median=%.3f p99=%.3f max=%.3f cpu=%.3f\n", widths.size(),
                widths.front(), at(0.5), at(0.99), widths.back(), cpuPerPulse);
    return 0;
}
