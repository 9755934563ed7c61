#include "port/PreciseWait_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>

namespace kovir {
namespace {

TEST(PreciseWait, WithoutAHighResolutionTimerItIsNeverEarlyEither)
{
    for (std::uint32_t ms : {0U, 1U, 15U, 16U, 150U}) {
        const auto start = std::chrono::steady_clock::now();
        PreciseWaitWithoutHighResolutionTimer(ms);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ms))
            << ms << " ms";
    }
    // The timer library is loaded once and kept, not loaded and freed at every pulse.
    EXPECT_NE(GetModuleHandleW(L"winmm.dll"), nullptr);
}

} // namespace
} // namespace kovir
