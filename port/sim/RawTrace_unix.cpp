#include "port/sim/RawTrace.h"

#include <unistd.h>

namespace kovir {

RawTrace::RawTrace(std::FILE* trace) : file_(fileno(trace)) {}

bool RawTrace::Write(const char* text, std::size_t size) const noexcept
{
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(file_), text, size);
        if (written <= 0) {
            return false;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string_view RawTrace::LineEnd() noexcept
{
    return "\n";
}

} // namespace kovir
