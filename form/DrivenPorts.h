#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kovir {

// The ports this run has written, each with whether its lines may show
// anything but 0: what every ending stops, the chosen port and any other.
// Fixed, and lock-free, so that a crash handler on any thread reads it
// while the event thread writes it.
class DrivenPorts {
public:
    // Before a write to `port`: from here until Wrote, its lines may show
    // the old byte or the new one.
    void Writing(std::int16_t port) noexcept
    {
        if (Entry* entry = Find(port)) {
            entry->driving.store(true);
        }
    }
    // After it: the lines show `value`.
    void Wrote(std::int16_t port, std::uint8_t value) noexcept
    {
        if (Entry* entry = Find(port)) {
            entry->driving.store(value != 0);
        }
    }

    // Calls `stop(port)` for every port whose lines may show anything but
    // 0, in the order they were first written.
    template <typename Stop> void ForEachDriving(Stop&& stop) const noexcept
    {
        const std::size_t count = count_.load();
        for (std::size_t i = 0; i < count; ++i) {
            if (entries_[i].driving.load()) {
                stop(entries_[i].port.load());
            }
        }
    }

private:
    struct Entry {
        std::atomic<std::int16_t> port{0};
        std::atomic<bool> driving{false};
    };
    static_assert(std::atomic<std::int16_t>::is_always_lock_free &&
                      std::atomic<bool>::is_always_lock_free,
                  "read in a crash handler");

    // One writer, the event thread: an entry is filled before it is counted.
    Entry* Find(std::int16_t port) noexcept
    {
        const std::size_t count = count_.load();
        for (std::size_t i = 0; i < count; ++i) {
            if (entries_[i].port.load() == port) {
                return &entries_[i];
            }
        }
        if (count == entries_.size()) {
            return nullptr;
        }
        entries_[count].port.store(port);
        count_.store(count + 1);
        return &entries_[count];
    }

    std::array<Entry, 8> entries_{}; // the program has three addresses
    std::atomic<std::size_t> count_{0};
};

} // namespace kovir
