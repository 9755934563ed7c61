#include "ui/win32/Form1.h"

#include "ui/win32/Form1Window.h"
#include "ui/win32/KeyButtons.h"
#include "ui/win32/OptionTabStop.h"
#include "windows/SystemLibrary.h"

namespace kovir {

Form1::Form1(std::unique_ptr<PortOutput> port)
    : session_(std::move(port), *this, {[this] { PaintNow(); }, [] { PostQuitMessage(1); }})
{
    for (const ControlDescription& d : Form1Description().controls) {
        if (d.button) {
            faces_[static_cast<std::size_t>(*d.button)] = d.colour;
        }
    }
    try {
        CreateWindowAndControls();
        session_.Load();
        // The first write found the PC's ports: the labels name the ones driven.
        controls_.NameDrivenPorts(session_.Port());
        consoleStop_.emplace(window_);
    } catch (...) {
        Release(); // a failed Load leaves no window behind
        throw;
    }
}

Form1::~Form1()
{
    Release();
}

void Form1::Release()
{
    ending_ = true;
    consoleStop_.reset();
    if (window_) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    controls_.ReleaseFonts();
}

void Form1::CreateWindowAndControls()
{
    const int systemDpi = SystemDpi();
    window_ = CreateForm1Window(&Form1::Procedure, this, systemDpi);
    controls_.Create(window_, systemDpi);
    // On a monitor of another scale than the system's, Windows 8.1 and
    // later say so only through the window or its monitor.
    if (const int dpi = MonitorDpi(window_); dpi != 0 && dpi != systemDpi) {
        controls_.LayOut(dpi);
        SizeForm1Window(window_, dpi);
    }
}

void Form1::ShowKeysInTooltips()
{
    // The common controls, for the tooltip alone: bound, not imported, so a
    // Windows without them still starts.
    if (!commonControls_) {
        commonControls_ = std::make_unique<SystemLibrary>(L"comctl32.dll");
    }
    tooltip_ = MakeKeyTooltip(window_, controls_, *commonControls_);
}

void Form1::OnDpiChanged(int dpi, const RECT& suggested)
{
    controls_.LayOut(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::Show()
{
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(Control(StartOption().name));
    UpdateWindow(window_);
    // After the first picture: no one points at a button before it.
    ShowKeysInTooltips();
}

bool Form1::PressKeyOf(const MSG& message)
{
    return window_ && PressButtonOfKey(message, window_, controls_);
}

LRESULT CALLBACK Form1::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form || form->window_ != window) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // After a failure, whatever else arrives is not acted on.
    if (form->session_.Failed()) {
        return message == WM_COMMAND ? 0 : DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    form->session_.Handle([&] { result = form->Handle(message, wParam, lParam); });
    return result;
}

LRESULT Form1::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(controls_.IndexOfId(LOWORD(wParam)), HIWORD(wParam));
        }
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case DpiChangedMessage: // moved to a monitor of another scale, or the scale changed
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case EndAskedMessage: // the console: Ctrl+C, Ctrl+Break, closed
        session_.AskEnd();
        [[fallthrough]];
    case WM_CLOSE: // close box, system menu, Alt+F4
        session_.Unload();
        DestroyWindow(window_);
        return 0;
    case WM_POWERBROADCAST: // the device stopped before the PC may sleep, when this returns
        if (wParam == PBT_APMSUSPEND) {
            session_.Sleep();
        }
        return TRUE;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // Logoff, shutdown, or an installer's Restart Manager closing the
        // program (ENDSESSION_CLOSEAPP): the device is stopped and the
        // program ends now, as at the close, without a message box. Windows
        // may end the process any time after this returns.
        if (wParam) {
            session_.AskEnd();
            session_.Unload();
            DestroyWindow(window_);
        }
        return 0;
    case WM_DESTROY:
        consoleStop_.reset(); // the window's life is the handler's
        if (!ending_) {
            PostQuitMessage(0);
        }
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void Form1::OnCommand(std::size_t control, UINT code)
{
    if (control >= controls_.Count() || (code != BN_CLICKED && code != BN_DOUBLECLICKED)) {
        return;
    }
    // A second quick click arrives as a double click: a Click all the same.
    const ControlDescription& d = Form1Description().controls[control];
    if (d.kind == ControlKind::OptionButton) {
        if (SendMessageW(controls_[control], BM_GETCHECK, 0, 0) != BST_CHECKED) {
            return;
        }
        PlaceTabStopOn(controls_, control);
    }
    session_.Click(d.click);
}

} // namespace kovir
