#include "ui/win32/Form1Window.h"

#include "form/Form1Description.h"
#include "windows/SystemLibrary.h"
#include "windows/Text.h"

#include <stdexcept>
#include <string>

namespace kovir {

namespace {

constexpr wchar_t WindowClass[] = L"KovirForm1";

void RegisterWindowClass(WNDPROC procedure)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), WindowClass, &existing)) {
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = WindowClass;
    if (!RegisterClassExW(&wc)) {
        throw std::runtime_error("Prozor nije moguće napraviti (RegisterClassEx).");
    }
}

// The window's outer size for the form's client area on a monitor of
// `dpi`. Its frame, too, is drawn for that monitor where Windows can say how
// (Windows 10 1607 and later).
SIZE Form1FrameSize(int dpi)
{
    const FormDescription& form = Form1Description();
    RECT frame{0, 0, MulDiv(form.width, dpi, 1440), MulDiv(form.height, dpi, 1440)};
    const auto forDpi = BoundFunction<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>(
        GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(&frame, Form1Style, FALSE, 0, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, Form1Style, FALSE, 0);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace

HWND CreateForm1Window(WNDPROC procedure, void* form, int dpi)
{
    RegisterWindowClass(procedure);
    const SIZE frame = Form1FrameSize(dpi);
    HWND window = CreateWindowExW(0, WindowClass, Wide(Form1Description().caption).c_str(),
                                  Form1Style, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), form);
    if (!window) {
        throw std::runtime_error("Prozor nije moguće napraviti (CreateWindowEx " +
                                 std::to_string(GetLastError()) + ").");
    }
    return window;
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// For the window on Windows 10 1607 and later, for its monitor on Windows 8.1.
int MonitorDpi(HWND window)
{
    const auto forWindow =
        BoundFunction<UINT(WINAPI*)(HWND)>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    if (forWindow) {
        return static_cast<int>(forWindow(window));
    }
    const SystemLibrary shcore(L"shcore.dll");
    const auto forMonitor =
        shcore.Bind<HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*)>("GetDpiForMonitor");
    UINT x = 0, y = 0;
    constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI
    return forMonitor && forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                                    EffectiveDpi, &x, &y) == S_OK
               ? static_cast<int>(y)
               : 0;
}

void SizeForm1Window(HWND window, int dpi)
{
    const SIZE sized = Form1FrameSize(dpi);
    SetWindowPos(window, nullptr, 0, 0, sized.cx, sized.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kovir
