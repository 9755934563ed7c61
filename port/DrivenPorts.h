#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kovir {

// The ports this run has written, each with whether its lines may show
// anything but 0: what every ending stops, the chosen port and any other.
// Fixed, and lock-free, so that a crash handler on any thread reads it
// while the event thread writes it, and so that it can live in memory
// shared with the guard, which reads it once the program is gone.
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
    // A crash's stop reached the lines of `port`, which it only writes.
    void Stopped(std::int16_t port) noexcept
    {
        for (Entry& entry : Counted()) {
            if (entry.port.load() == port) {
                entry.driving.store(false);
            }
        }
    }

    // Calls `stop(port)` for every port whose lines may show anything but
    // 0, in the order they were first written.
    template <typename Stop> void ForEachDriving(Stop&& stop) const noexcept
    {
        for (const Entry& entry : Counted()) {
            if (entry.driving.load()) {
                stop(entry.port.load());
            }
        }
    }

    bool Driving(std::int16_t port) const noexcept
    {
        bool driving = false;
        ForEachDriving([&driving, port](std::int16_t p) { driving = driving || p == port; });
        return driving;
    }

private:
    struct Entry {
        std::atomic<std::int16_t> port{0};
        std::atomic<bool> driving{false};
    };
    static_assert(std::atomic<std::int16_t>::is_always_lock_free &&
                      std::atomic<bool>::is_always_lock_free,
                  "read in a crash handler");

    std::span<const Entry> Counted() const noexcept { return {entries_.data(), Count()}; }
    std::span<Entry> Counted() noexcept { return {entries_.data(), Count()}; }
    // What another process wrote may be anything: never past the table.
    std::size_t Count() const noexcept
    {
        const std::size_t count = count_.load();
        return count < entries_.size() ? count : entries_.size();
    }

    // One writer, the event thread: an entry is filled before it is counted.
    Entry* Find(std::int16_t port) noexcept
    {
        for (Entry& entry : Counted()) {
            if (entry.port.load() == port) {
                return &entry;
            }
        }
        const std::size_t count = Count();
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
