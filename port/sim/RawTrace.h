#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kovir {

// The trace's stream as the system's own file, for a crash handler: a write
// straight to it takes no lock and allocates nothing, which the C stream's
// functions may.
class RawTrace {
public:
    explicit RawTrace(std::FILE* trace);
    // Writes `text` and the line end the stream would have written.
    void WriteLine(const char* text, std::size_t size) const noexcept;

private:
    std::intptr_t file_; // a descriptor, or on Windows a HANDLE
};

} // namespace kovir
