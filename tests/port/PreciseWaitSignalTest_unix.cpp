// A signal handler installed without SA_RESTART makes a plain sleep return
// early; the precise wait must resume instead.
#include "port/PreciseWait.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kovir {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(PreciseWait, ASignalDuringTheWaitDoesNotShortenIt)
{
    // A handler without SA_RESTART makes a plain sleep return early with EINTR.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    const pthread_t waiter = pthread_self();
    std::atomic<bool> done{false};
    int delivered = 0;
    std::thread interrupter([&] {
        for (int i = 0; i < 5 && !done; ++i) {
            std::this_thread::sleep_for(20ms);
            if (!done && pthread_kill(waiter, SIGUSR1) == 0) {
                ++delivered;
            }
        }
    });

    const auto start = Clock::now();
    PreciseWait(150);
    const auto waited = Clock::now() - start;
    done = true;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_GT(delivered, 0);
    EXPECT_GE(waited, 150ms);
}

} // namespace
} // namespace kovir
