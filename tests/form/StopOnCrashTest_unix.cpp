// The stop at a crash, in a child process that really crashes: a second
// crash on another thread while the first one's stop is being written ends
// the process only once that stop is out. And the stop against a byte
// another thread has on its way.
#include "form/StopOnCrash.h"
#include "tests/support/CallLog.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <thread>

namespace kovir {
namespace {

// A port whose crash stop takes a while, as a board's USB transfer does,
// and says on standard error when it is out.
class SlowStop final : public PortOutput {
public:
    void PortOut(std::int16_t, std::uint8_t) override {}
    void Wait(std::uint32_t, const std::function<void()>&) override {}
    bool StopFromCrash(std::int16_t) noexcept override
    {
        const timespec takes{0, 200'000'000};
        nanosleep(&takes, nullptr);
        constexpr char line[] = "the stop is out\n";
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
        return true;
    }
};

void CrashTwice()
{
    SlowStop port;
    testing::CallLog log;
    testing::RecordingPanel panel(log);
    Controller controller(port, panel);
    DrivenPorts driven;
    const WriteInProgress announced;
    const StopOnCrash crash(port, controller, driven, announced);
    std::thread second([] {
        const timespec later{0, 50'000'000}; // inside the first one's stop
        nanosleep(&later, nullptr);
        pthread_kill(pthread_self(), SIGSEGV);
    });
    pthread_kill(pthread_self(), SIGSEGV);
    second.join();
}

TEST(StopOnCrashDeathTest, ASecondCrashOnAnotherThreadWaitsForTheFirstOnesStop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CrashTwice(), ::testing::KilledBySignal(SIGSEGV), "the stop is out");
}

// Which came first, the byte or the stop.
class OrderedPort final : public PortOutput {
public:
    void PortOut(std::int16_t, std::uint8_t) override { byteAt = next++; }
    void Wait(std::uint32_t, const std::function<void()>&) override {}
    bool StopFromCrash(std::int16_t) noexcept override
    {
        stopAt = next++;
        return true;
    }
    std::atomic<int> next{0}, byteAt{-1}, stopAt{-1};
};

TEST(StopEveryDrivenPort, AByteAnotherThreadAnnouncedGoesOutBeforeTheStop)
{
    OrderedPort port;
    testing::CallLog log;
    testing::RecordingPanel panel(log);
    Controller controller(port, panel);
    DrivenPorts driven;
    WriteInProgress announced;
    std::atomic<bool> inside{false};
    std::thread writer([&] {
        const WriteInProgress::During during(announced); // past its check: no stop yet
        inside = true;
        const timespec slow{0, 100'000'000};
        nanosleep(&slow, nullptr);
        port.PortOut(0x378, 0x0F);
    });
    while (!inside) {
        std::this_thread::yield();
    }
    StopEveryDrivenPort(port, controller, driven, announced);
    writer.join();
    EXPECT_LT(port.byteAt, port.stopAt) << "the byte landed after the stop";
}

} // namespace
} // namespace kovir
