#include "port/WriteInProgress.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace kovir {

std::uintptr_t CurrentThreadNumber() noexcept
{
    // The kernel's thread ID: one system call, safe in a signal handler.
    return static_cast<std::uintptr_t>(syscall(SYS_gettid));
}

} // namespace kovir
