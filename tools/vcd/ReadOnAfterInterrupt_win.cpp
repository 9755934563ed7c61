#include "tools/vcd/ReadOnAfterInterrupt.h"

#include <windows.h>

#include <atomic>

namespace kovir {

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    static std::atomic<bool> interrupted{false};
    if (event != CTRL_C_EVENT || interrupted.exchange(true)) {
        return FALSE; // the system's default: the program ends
    }
    static constexpr char Said[] =
        "kovir-vcd: reading on to the end of the trace; Ctrl+C again stops at once\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), Said, sizeof Said - 1, &written, nullptr);
    return TRUE;
}

} // namespace

void ReadOnAfterInterrupt()
{
    SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

} // namespace kovir
