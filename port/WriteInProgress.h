#pragma once

#include <atomic>
#include <cstdint>

namespace kovir {

// A number for the calling thread, the same for its whole life and never 0,
// which a signal handler or an exception filter may ask for.
std::uintptr_t CurrentThreadNumber() noexcept;

// Safe in a signal handler, as in an exception filter.
void SleepOneMillisecond() noexcept;

// Which thread, if any, is inside a port's own write. A crash on that thread
// writes nothing more from the crash handler: its write may be half done
// inside the library, the driver call or the stream. A crash on any other
// thread still stops the device.
class WriteInProgress {
public:
    // Marks the calling thread as writing for its life.
    class During {
    public:
        explicit During(WriteInProgress& write) noexcept : write_(write)
        {
            write_.writer_.store(CurrentThreadNumber());
        }
        ~During() { write_.writer_.store(0); }
        During(const During&) = delete;
        During& operator=(const During&) = delete;

    private:
        WriteInProgress& write_;
    };

    // Whether the calling thread is the one inside the write.
    bool OnThisThread() const noexcept { return writer_.load() == CurrentThreadNumber(); }

    // From a crash handler: waits, at most `milliseconds`, while a thread
    // other than the calling one is inside the write.
    void AwaitOtherThread(std::uint32_t milliseconds) const noexcept
    {
        for (std::uint32_t waited = 0; waited < milliseconds; ++waited) {
            const std::uintptr_t writer = writer_.load();
            if (writer == 0 || writer == CurrentThreadNumber()) {
                return;
            }
            SleepOneMillisecond();
        }
    }

private:
    static_assert(std::atomic<std::uintptr_t>::is_always_lock_free, "safe in a signal handler");
    std::atomic<std::uintptr_t> writer_{0};
};

} // namespace kovir
