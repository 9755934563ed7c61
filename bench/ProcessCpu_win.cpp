#include "bench/ProcessCpu.h"

#include <windows.h>

namespace kovir::bench {

double ProcessCpuMilliseconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) {
        return 0;
    }
    const auto hundredNs = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (hundredNs(kernel) + hundredNs(user)) / 1e4;
}

} // namespace kovir::bench
