// A port library of our own for the tests (no third-party DLL is used): it
// exports the entry point the backend looks for and appends every call, and
// its own loading, to the file named by KOVIR_PORT_LOG, one line each:
//   "<file> loaded", "<file> PortOut <port> <value>", "<file> Out32 <port> <value>"
// Built once per kind: RECORD_PORTOUT (an IO.DLL), RECORD_OUT32 (an InpOut
// library; with DRIVER_OPEN=0 or 1 also InpOut's IsInpOutDriverOpen, saying
// that), HELPER (a library the IO.DLL built with NEEDS_HELPER imports, which
// records where it was loaded from), or none (a DLL without the entry point).
// With TAKES_CRASHES it puts its own unhandled-exception filter in place when
// it loads, as some libraries do, which records "took the crash" and, as
// such filters do, calls the one it found in place first.
#include "tests/support/RecordLine_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Append(const char* line)
{
    kovir::testing::RecordLine("KOVIR_PORT_LOG", std::string(RECORDER_NAME) + " " + line);
}

// Where the caller's stack stood at this call, to KOVIR_PORT_STACK_LOG: a
// caller that calls a stdcall entry point as cdecl (or the other way round)
// leaves its stack pointer off by the arguments' size after every call.
[[maybe_unused]] void AppendStack(const void* frame)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", frame);
    kovir::testing::RecordLine("KOVIR_PORT_STACK_LOG", text);
}

[[maybe_unused]] void AppendCall(const char* entry, int port, int value)
{
    char line[64];
    std::snprintf(line, sizeof line, "%s %d %d", entry, port, value);
    Append(line);
}

} // namespace

extern "C" {

#if defined(NEEDS_HELPER)
__declspec(dllimport) int KovirTestHelper();
#endif

#if defined(RECORD_PORTOUT)
__declspec(dllexport) void WINAPI PortOut(short port, unsigned char data)
{
#if defined(NEEDS_HELPER)
    KovirTestHelper();
#endif
    AppendStack(__builtin_frame_address(0));
    AppendCall("PortOut", port, data);
}
#elif defined(RECORD_OUT32)
__declspec(dllexport) void WINAPI Out32(short port, short data)
{
    AppendStack(__builtin_frame_address(0));
    AppendCall("Out32", port, data);
}
#if defined(DRIVER_OPEN)
__declspec(dllexport) BOOL WINAPI IsInpOutDriverOpen()
{
    Append(DRIVER_OPEN ? "IsInpOutDriverOpen 1" : "IsInpOutDriverOpen 0");
    return DRIVER_OPEN;
}
#endif
#elif defined(HELPER)
__declspec(dllexport) int KovirTestHelper()
{
    return 1;
}
#else
// Something else, so that the DLL is a real library with exports.
__declspec(dllexport) short WINAPI PortIn(short port)
{
    return port;
}
#endif

#if defined(TAKES_CRASHES)
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI TakeTheCrash(EXCEPTION_POINTERS* info)
{
    Append("took the crash");
    if (previousFilter) {
        previousFilter(info);
    }
    return EXCEPTION_EXECUTE_HANDLER; // the process ends, quietly
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
#if defined(TAKES_CRASHES)
        previousFilter = SetUnhandledExceptionFilter(&TakeTheCrash);
#endif
#if defined(HELPER)
        char line[MAX_PATH + 16] = "loaded from ";
        GetModuleFileNameA(instance, line + 12, MAX_PATH);
        Append(line);
#else
        (void)instance;
        Append("loaded");
#endif
    }
    return TRUE;
}

} // extern "C"
