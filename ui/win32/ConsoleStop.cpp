#include "ui/win32/ConsoleStop.h"

#include <atomic>

namespace kovir {

namespace {

// A console handler takes no context, so the window it closes and the
// event that says the window is gone are the one place the process keeps.
struct Target {
    std::atomic<HWND> window{nullptr};
    HANDLE done = nullptr;
};

Target& TheTarget()
{
    static Target target;
    return target;
}

} // namespace

BOOL WINAPI ConsoleStop::OnConsoleEvent(DWORD event)
{
    Target& target = TheTarget();
    const HWND window = target.window.load();
    if (!window) {
        return FALSE;
    }
    PostMessageW(window, EndAskedMessage, 0, 0);
    // After closing the console the process is ended as soon as the handler
    // returns, and at the latest after 5 seconds: return only once the window
    // has written its stop byte, and before Windows' limit.
    if (event == CTRL_CLOSE_EVENT) {
        WaitForSingleObject(target.done, 4500);
    }
    return TRUE;
}

ConsoleStop::ConsoleStop(HWND window)
{
    Target& target = TheTarget();
    target.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    target.window = window;
    SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

ConsoleStop::~ConsoleStop()
{
    Target& target = TheTarget();
    target.window = nullptr;
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
    // A handler still in its wait returns now; one that comes to it later
    // finds the event gone and returns at once.
    SetEvent(target.done);
    CloseHandle(target.done);
    target.done = nullptr;
}

} // namespace kovir
