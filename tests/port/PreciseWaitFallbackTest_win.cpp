#include "port/PreciseWait_win.h"

#include <gtest/gtest.h>

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
}

} // namespace
} // namespace kovir
