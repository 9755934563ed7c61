#include "port/sim/RawTrace.h"

#include <windows.h>

#include <io.h>

namespace kovir {

RawTrace::RawTrace(std::FILE* trace) : file_(_get_osfhandle(_fileno(trace))) {}

bool RawTrace::Write(const char* text, std::size_t size) const noexcept
{
    DWORD written = 0;
    return WriteFile(reinterpret_cast<HANDLE>(file_), text, static_cast<DWORD>(size), &written,
                     nullptr) &&
           written == size;
}

std::string_view RawTrace::LineEnd() noexcept
{
    return "\r\n";
}

} // namespace kovir
