#pragma once

#include <windows.h>

namespace kovir {

// The window's fixed border with no maximise box: the operator cannot
// resize the form.
inline constexpr DWORD Form1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Makes the form's top-level window, hidden, with `procedure` and sized for
// a client area of the form's size at `dpi`; `form` reaches the procedure
// with WM_NCCREATE. Throws where Windows makes none.
HWND CreateForm1Window(WNDPROC procedure, void* form, int dpi);

// WM_DPICHANGED: Windows 8.1 and later send it.
inline constexpr UINT DpiChangedMessage = 0x02E0;

// Gives the window the outer size for the form's client area on a monitor
// of `dpi`, where it stands.
void SizeForm1Window(HWND window, int dpi);

// The system's DPI, and that of the monitor `window` is on where Windows
// tells it (0 where it cannot).
int SystemDpi();
int MonitorDpi(HWND window);

} // namespace kovir
