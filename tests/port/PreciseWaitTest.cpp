// Only the lower bound is a correctness property: a pulse must never be
// shorter than asked. How little it overshoots is measured in bench/.
#include "port/PreciseWait.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kovir {
namespace {

using Clock = std::chrono::steady_clock;

TEST(PreciseWait, NeverReturnsBeforeTheTimeHasPassed)
{
    for (std::uint32_t ms : {0U, 1U, 7U, 15U, 16U, 150U}) {
        const auto start = Clock::now();
        PreciseWait(ms);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(ms)) << ms << " ms";
    }
}

} // namespace
} // namespace kovir
