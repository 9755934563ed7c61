// Only the lower bound is a correctness property: a pulse must never be
// shorter than asked. How little it overshoots is measured in bench/.
#include "port/PreciseWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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

TEST(PreciseWait, WhatIsDoneMeanwhileIsInsideTheWaitNotAddedToIt)
{
    int ran = 0;
    const auto start = Clock::now();
    PreciseWait(100, [&ran] {
        ++ran;
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    });
    const auto took = Clock::now() - start;
    EXPECT_EQ(ran, 1);
    EXPECT_GE(took, std::chrono::milliseconds(100));
    EXPECT_LT(took, std::chrono::milliseconds(160)) << "60 ms of it were inside the 100";
}

TEST(PreciseWait, CountedFromAnEarlierMomentItEndsThatLongAfterIt)
{
    const std::int64_t from = PreciseNow();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    PreciseWaitFrom(from, 100);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(100));
    EXPECT_LT(took, std::chrono::milliseconds(140));
}

} // namespace
} // namespace kovir
