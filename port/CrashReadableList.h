#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace kovir {

// A short list that a crash handler on any thread may read while the one
// thread that adds to it adds: an entry is filled before it is counted, and
// nothing in it ever moves (a vector's push_back may be moving it just then).
template <typename T, std::size_t Capacity> class CrashReadableList {
public:
    // False, and nothing added, where the list is full.
    bool Add(const T& item) noexcept
    {
        const std::size_t count = count_.load();
        if (count == Capacity) {
            return false;
        }
        items_[count] = item;
        count_.store(count + 1);
        return true;
    }

    const T* begin() const noexcept { return items_.data(); }
    const T* end() const noexcept { return items_.data() + count_.load(); }

private:
    std::array<T, Capacity> items_{};
    std::atomic<std::size_t> count_{0};
};

} // namespace kovir
