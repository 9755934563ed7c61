#include "port/WriteInProgress.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>

namespace kovir {

std::uintptr_t CurrentThreadNumber() noexcept
{
    // The kernel's thread ID: one system call, safe in a signal handler.
    return static_cast<std::uintptr_t>(syscall(SYS_gettid));
}

void SleepOneMillisecond() noexcept
{
    const timespec millisecond{0, 1'000'000};
    nanosleep(&millisecond, nullptr);
}

} // namespace kovir
