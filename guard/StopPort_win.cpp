#include "guard/StopPort.h"

#include "port/bitbang/D2xx_win.h"
#include "port/portlib/PortLibraries.h"
#include "port/sim/TraceFormat.h"
#include "windows/SystemLibrary.h"
#include "windows/Text.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <chrono>

namespace kovir {

namespace {

// A trace line timed as the program times its own, ending as the program's
// text-mode stream ends it.
bool WriteTraceLine(const PortStop& stop, HANDLE trace)
{
    const std::int64_t micros = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count() -
                                stop.at;
    char line[TraceLineMax];
    std::size_t size = FormatTraceLineInto(
        {micros < 0 ? 0 : micros, static_cast<std::uint16_t>(stop.port), stop.stop}, line);
    if (size + 2 > sizeof line) {
        return false;
    }
    line[size++] = '\r';
    line[size++] = '\n';
    DWORD written = 0;
    return WriteFile(trace, line, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// Through the library the program bound: the same file, found where the
// program found it, never in the current folder or PATH.
bool WriteThroughLibrary(const PortStop& stop)
{
    const auto libraries = PortLibrariesFor(sizeof(void*) * 8);
    if (stop.endpoint >= libraries.size()) {
        return false;
    }
    const PortLibrary& library = libraries[stop.endpoint];
    const HMODULE module = LoadTrustedLibrary(Wide(library.file).c_str());
    const auto entry = BoundFunction<void (*)()>(module, std::string(library.entry).c_str());
    if (!entry) {
        return false;
    }
    const auto port = static_cast<short>(stop.at);
    if (library.kind == PortEntry::Out32) {
        reinterpret_cast<void(WINAPI*)(short, short)>(entry)(port, stop.stop);
    } else {
        reinterpret_cast<void(WINAPI*)(short, unsigned char)>(entry)(port, stop.stop);
    }
    return true;
}

// The board opened where it sits, as the program opens it: showing the
// device 0 from the first call on.
bool StopBoard(const PortStop& stop)
{
    const D2xx library;
    D2xx::Handle handle = nullptr;
    if (!library.Usable() ||
        library.openEx(reinterpret_cast<void*>(static_cast<std::uintptr_t>(stop.at)),
                       D2xx::OpenByLocation, &handle) != D2xx::Ok) {
        return false;
    }
    const char* call = "";
    const bool done = library.EnterBitBangAtRest(handle, stop.stop, call) == D2xx::Ok;
    library.close(handle);
    return done;
}

} // namespace

bool StopPort(const PortStop& stop, int descriptor) noexcept
{
    try {
        switch (stop.way) {
        case StopWay::TraceLine:
            return WriteTraceLine(stop,
                                  reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(descriptor)));
        case StopWay::PortLibrary:
            return WriteThroughLibrary(stop);
        case StopWay::D2xxBoard:
            return StopBoard(stop);
        default:
            return false; // Linux's ways
        }
    } catch (...) {
        return false; // a string that could not be had: nothing else can go wrong
    }
}

} // namespace kovir
