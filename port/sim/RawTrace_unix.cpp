#include "port/sim/RawTrace.h"

#include <unistd.h>

namespace kovir {

RawTrace::RawTrace(std::FILE* trace) : file_(fileno(trace)) {}

void RawTrace::WriteLine(const char* text, std::size_t size) const noexcept
{
    char line[80];
    if (size + 1 > sizeof line) {
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        line[i] = text[i];
    }
    line[size++] = '\n';
    text = line;
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(file_), text, size);
        if (written <= 0) {
            return;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace kovir
