// The C++ thread library the Windows programs link (winpthreads) imports
// GetTickCount64, which Windows has only since Vista: with that import the
// programs would not start on Windows XP at all. The import is answered
// here instead, by the system's function where it exists and by GetTickCount
// (which wraps after 49 days) before it. winpthreads reads the time only
// for timed waits on its own objects; the programs make none.
#include "windows/SystemLibrary.h"

#include <windows.h>

namespace {

using kovir::BoundFunction;

ULONGLONG WINAPI TickCount64()
{
    using Function = ULONGLONG(WINAPI*)();
    static const Function system =
        BoundFunction<Function>(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    return system ? system() : GetTickCount();
}

} // namespace

// The import-table slot winpthreads calls through, under its linker name.
#if defined(_WIN64)
extern "C" ULONGLONG(WINAPI* const KovirImportGetTickCount64)() __asm__("__imp_GetTickCount64");
#else
extern "C" ULONGLONG(WINAPI* const KovirImportGetTickCount64)() __asm__("__imp__GetTickCount64@0");
#endif
extern "C" ULONGLONG(WINAPI* const KovirImportGetTickCount64)() = &TickCount64;
