// make_fault's hook: raises a stack overflow in the call-back, with stack
// enough left for Wine's handler around it to swallow the overflow.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK OverflowOnMessage(int code, WPARAM wParam, LPARAM lParam)
{
    RaiseException(EXCEPTION_STACK_OVERFLOW, 0, 0, nullptr);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
