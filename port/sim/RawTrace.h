#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace kovir {

// The trace's stream as the system's own file, for a crash handler: a write
// straight to it takes no lock and allocates nothing, which the C stream's
// functions may.
class RawTrace {
public:
    explicit RawTrace(std::FILE* trace);
    // Whether all of it was written.
    bool Write(const char* text, std::size_t size) const noexcept;

    // What the system calls the stream: a descriptor, or on Windows a HANDLE.
    int Descriptor() const noexcept { return static_cast<int>(file_); }

    // The line end the stream itself writes: a text-mode stream on Windows
    // ends lines in CRLF.
    static std::string_view LineEnd() noexcept;

private:
    std::intptr_t file_; // a descriptor, or on Windows a HANDLE
};

} // namespace kovir
