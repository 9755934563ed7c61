#include "port/WriteInProgress.h"

#include <windows.h>

namespace kovir {

std::uintptr_t CurrentThreadNumber() noexcept
{
    return GetCurrentThreadId();
}

void SleepOneMillisecond() noexcept
{
    Sleep(1);
}

} // namespace kovir
