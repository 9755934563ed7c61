#include "port/sim/RawTrace.h"

#include <windows.h>

#include <io.h>

namespace kovir {

RawTrace::RawTrace(std::FILE* trace) : file_(_get_osfhandle(_fileno(trace))) {}

void RawTrace::WriteLine(const char* text, std::size_t size) const noexcept
{
    // The console and pipes of a text-mode stream end lines in CRLF.
    char line[80];
    if (size + 2 > sizeof line) {
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        line[i] = text[i];
    }
    line[size++] = '\r';
    line[size++] = '\n';
    DWORD written = 0;
    WriteFile(reinterpret_cast<HANDLE>(file_), line, static_cast<DWORD>(size), &written, nullptr);
}

} // namespace kovir
