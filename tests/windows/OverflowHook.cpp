// overflow_hook.dll: make_fault's hook, which the window's thread calls
// back from inside GetMessage for a message sent to it. It raises a stack
// overflow there, with stack enough left for the handler around the
// call-back (Wine's) to swallow it: the thread then goes on as if nothing
// had happened, which a real overflow leaves to chance.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    OverflowOnMessage(int code, WPARAM wParam, LPARAM lParam)
{
    RaiseException(EXCEPTION_STACK_OVERFLOW, 0, 0, nullptr);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
