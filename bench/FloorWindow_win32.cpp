// The floor for the Windows program's start-up and memory: a Win32 window of
// the form's client size and colour, built and linked the same way, with
// nothing of kovir in it. With --button it holds one standard button, which
// is what loads the common controls of the manifest. With --form it holds
// the form's sixteen controls, of the same classes, at the same places, in
// the same fonts, and paints them as plainly as the window system lets it:
// what making and painting those controls costs, and no more.
#include "form/Form1Description.h"

#include <windows.h>

#include <cmath>
#include <string>

namespace {

using kovir::ControlKind;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HFONT Font(const kovir::FontDescription& font)
{
    if (font.face.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.points * 96 / 72.0));
    lf.lfWeight = font.weight;
    lstrcpyW(lf.lfFaceName, L"Arial Black");
    return CreateFontIndirectW(&lf);
}

void MakeFormControls(HWND window)
{
    for (const kovir::ControlDescription& d : kovir::Form1Description().controls) {
        const kovir::TwipRect place = kovir::PlaceInForm(d);
        const bool isStatic = d.kind == ControlKind::Label || d.kind == ControlKind::Frame;
        DWORD style = WS_CHILD | WS_VISIBLE;
        style |= d.kind == ControlKind::Label          ? SS_LEFT | SS_NOPREFIX
                 : d.kind == ControlKind::Frame        ? SS_OWNERDRAW
                 : d.kind == ControlKind::OptionButton ? BS_AUTORADIOBUTTON
                                                       : BS_OWNERDRAW;
        const std::string text(d.kind == ControlKind::Label ? d.caption : d.accessibleName);
        const std::wstring wide(text.begin(), text.end()); // the captions are ASCII
        HWND control = CreateWindowExW(0, isStatic ? L"STATIC" : L"BUTTON", wide.c_str(), style,
                                       place.left / 15, place.top / 15, place.width / 15,
                                       place.height / 15, window, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(d.font)), FALSE);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool button = argc > 1 && lstrcmpA(argv[1], "--button") == 0;
    const bool form = argc > 1 && lstrcmpA(argv[1], "--form") == 0;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(0xC0, 0xC0, 0x00));
    wc.lpszClassName = L"KovirFloor";
    RegisterClassExW(&wc);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 392, 253};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Floor", style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (button) {
        CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 10, 10, 60, 30, window, nullptr,
                        wc.hInstance, nullptr);
    }
    if (form) {
        MakeFormControls(window);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
