#pragma once

#include <windows.h>

namespace kovir {

// What the console handler posts to the window: the end was asked for.
// The window takes the close box's path, but shows no message after it.
inline constexpr UINT EndAskedMessage = WM_APP + 1;

// Ctrl+C, Ctrl+Break and closing the console reach a console program
// (kovir-sim.exe) on a thread of their own. While one of these lives (as
// long as the window), each of them takes the close box's path on the
// window's thread, so 0 reaches the selected port before the process ends.
// (Logoff and shutdown never arrive here in a program with windows; the
// window's WM_ENDSESSION covers them.)
class ConsoleStop {
public:
    explicit ConsoleStop(HWND window);
    ~ConsoleStop();
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;

    // What the system calls on its own thread for a console event.
    static BOOL WINAPI OnConsoleEvent(DWORD event);
};

} // namespace kovir
