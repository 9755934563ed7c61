#include "ui/win32/Form1.h"

#include "form/Form1Keys.h"
#include "ui/win32/DialogFont.h"
#include "windows/Text.h"
#include "windows/SystemLibrary.h"

#include <commctrl.h>

#include <stdexcept>

namespace kovir {

namespace {

constexpr wchar_t WindowClass[] = L"KovirForm1";
constexpr int FirstControlId = 100; // clear of IDOK and IDCANCEL, which mean nothing here
constexpr UINT DpiChanged = 0x02E0; // WM_DPICHANGED: Windows 8.1 and later send it

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

// The DPI of the monitor the window is on, where Windows tells it: for the
// window on Windows 10 1607 and later, for its monitor on Windows 8.1; 0
// elsewhere.
int WindowDpi(HWND window)
{
    const auto forWindow = BoundFunction<UINT(WINAPI*)(HWND)>(GetModuleHandleW(L"user32.dll"),
                                                               "GetDpiForWindow");
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

// The window's outer size for a client area of `width` x `height` pixels on
// a monitor of `dpi`: its frame, too, is drawn for that monitor where
// Windows can say how (Windows 10 1607 and later).
SIZE FrameSize(int width, int height, DWORD style, int dpi)
{
    RECT frame{0, 0, width, height};
    const auto forDpi = BoundFunction<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>(
        GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

const wchar_t* ClassOf(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::Frame ? L"STATIC" : L"BUTTON";
}

DWORD StyleOf(const ControlDescription& d, bool firstOption, bool afterOptions)
{
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (d.kind) {
    case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
    case ControlKind::Frame:
        // Drawn by us, caption in its own colour on every Windows; under the
        // controls it holds, and clipped by them.
        style |= SS_OWNERDRAW | WS_CLIPSIBLINGS;
        break;
    case ControlKind::OptionButton:
        // One group: the dialog manager's arrow keys move within it; the
        // tab stop sits on the checked option only.
        style |= BS_AUTORADIOBUTTON | (firstOption ? WS_GROUP : 0) |
                 (&d == &StartOption() ? WS_TABSTOP : 0);
        break;
    case ControlKind::Button:
        style |= BS_OWNERDRAW | WS_TABSTOP | WS_GROUP;
        break;
    }
    return style | (afterOptions ? WS_GROUP : 0);
}

} // namespace

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
        NameDrivenPorts();
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
    for (const auto& [description, font] : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
}

int Form1::Pixels(int twips) const
{
    return MulDiv(twips, dpi_, 1440);
}

void Form1::CreateWindowAndControls()
{
    RegisterWindowClass(&Form1::Procedure);
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    // A fixed border, no maximise box: the operator cannot resize the form.
    const FormDescription& form = Form1Description();
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const SIZE frame = FrameSize(Pixels(form.width), Pixels(form.height), style, dpi_);
    window_ = CreateWindowExW(0, WindowClass, Wide(form.caption).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.cx, frame.cy,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!window_) {
        throw std::runtime_error("Prozor nije moguće napraviti (CreateWindowEx " +
                                 std::to_string(GetLastError()) + ").");
    }

    bool inOptions = false;
    std::size_t frameIndex = 0;
    for (const ControlDescription& d : form.controls) {
        const bool option = d.kind == ControlKind::OptionButton;
        const int id = FirstControlId + static_cast<int>(controls_.size());
        // Options and buttons carry their screen-reader names as window text:
        // the options' own captions are never seen, and the square buttons
        // paint none.
        const std::wstring text =
            Wide(d.kind == ControlKind::Label || d.kind == ControlKind::Frame ? d.caption
                                                                              : d.accessibleName);
        HWND control = CreateWindowExW(
            0, ClassOf(d.kind), text.c_str(),
            StyleOf(d, option && !inOptions, inOptions && !option), 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        if (!control) {
            throw std::runtime_error("Prozor nije moguće napraviti (" + std::string(d.name) + ").");
        }
        texts_.push_back(text);
        inOptions = option;
        if (d.kind == ControlKind::Frame) {
            frameIndex = controls_.size();
        }
        if (d.button) {
            buttons_[static_cast<std::size_t>(*d.button)] = control;
        }
        controls_.push_back(control);
    }
    fontOf_.resize(controls_.size());
    LayOut();
    // On a monitor of another scale than the system's, Windows 8.1 and
    // later say so only through the window or its monitor.
    if (const int monitorDpi = WindowDpi(window_); monitorDpi != 0 && monitorDpi != dpi_) {
        dpi_ = monitorDpi;
        LayOut();
        const SIZE sized = FrameSize(Pixels(form.width), Pixels(form.height), style, dpi_);
        SetWindowPos(window_, nullptr, 0, 0, sized.cx, sized.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The frame is drawn under its options and labels; it takes no focus,
    // so the keyboard order is unchanged.
    SetWindowPos(controls_[frameIndex], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(Control(StartOption().name), BM_SETCHECK, BST_CHECKED, 0);
}

void Form1::LayOut()
{
    // New fonts first; the old ones go once no control uses them.
    const std::vector<std::pair<FontDescription, HFONT>> old = std::exchange(fonts_, {});
    const auto& controls = Form1Description().controls;
    const HFONT dialog = FitDialogFont(dpi_, controls, texts_);
    fonts_.push_back({{}, dialog});
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlDescription& d = controls[i];
        const TwipRect place = PlaceInForm(d);
        MoveWindow(controls_[i], Pixels(place.left), Pixels(place.top), Pixels(place.width),
                   Pixels(place.height), FALSE);
        fontOf_[i] = d.font.face.empty() ? dialog : FontFor(d.font);
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fontOf_[i]), FALSE);
    }
    for (const auto& [description, font] : old) {
        DeleteObject(font);
    }
    InvalidateRect(window_, nullptr, TRUE);
}

void Form1::ShowKeysInTooltips()
{
    // The common controls, for the tooltip alone: bound, not imported, so a
    // Windows without them still starts.
    if (!commonControls_) {
        commonControls_ = std::make_unique<SystemLibrary>(L"comctl32.dll");
    }
    const auto init =
        commonControls_->Bind<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    if (!init || !init(&classes)) {
        return;
    }
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) {
        return;
    }
    for (const ControlKeys& keys : Form1Keys()) {
        std::wstring hint = Wide(KeyHint(*FindControl(keys.control)));
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(Control(keys.control));
        tool.lpszText = hint.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Form1::NameDrivenPorts()
{
    // The first write found the PC's ports: the labels name the ones driven,
    // and the dialog font is fitted again only if a text changed.
    const auto& controls = Form1Description().controls;
    bool renamed = false;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlDescription& d = controls[i];
        const std::wstring text =
            Wide(d.kind == ControlKind::Label || d.kind == ControlKind::Frame
                     ? CaptionInRun(d, session_.Port())
                     : AccessibleNameInRun(d, session_.Port()));
        if (text != texts_[i]) {
            texts_[i] = text;
            SetWindowTextW(controls_[i], text.c_str());
            renamed = true;
        }
    }
    if (renamed) {
        LayOut();
    }
}

void Form1::OnDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    LayOut();
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

namespace {

// The button a key presses, if any: by the letter the key types in the
// active layout (a Cyrillic one's too); only where the layout cannot say,
// by the Latin letter Windows names the key by. The keypad's digits come as
// such only with Num Lock on (off, they are arrows).
const ControlDescription* ButtonFor(WPARAM key)
{
    if (key == VK_ESCAPE) {
        return ButtonForEscape();
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
        return ButtonForKeypad(static_cast<char>('0' + (key - VK_NUMPAD0)));
    }
    constexpr UINT ToCharacter = 2; // MAPVK_VK_TO_CHAR: the unshifted letter, a capital
    const auto typed = static_cast<char32_t>(MapVirtualKeyW(static_cast<UINT>(key), ToCharacter) & 0xFFFF);
    if (typed != 0) {
        return ButtonForLetter(typed);
    }
    return key >= 'A' && key <= 'Z' ? ButtonForLetter(static_cast<char32_t>(key)) : nullptr;
}

} // namespace

bool Form1::PressKeyOf(const MSG& message)
{
    if (message.message != WM_KEYDOWN || !window_ ||
        (message.hwnd != window_ && !IsChild(window_, message.hwnd)) ||
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) {
        return false;
    }
    const ControlDescription* button = ButtonFor(message.wParam);
    if (!button) {
        return false;
    }
    // A held key presses once: Windows marks the repeats.
    constexpr LPARAM Repeated = 1 << 30;
    if (!(message.lParam & Repeated)) {
        SendMessageW(Control(button->name), BM_CLICK, 0, 0);
    }
    return true;
}

HWND Form1::Control(std::string_view name, int index) const
{
    const auto& controls = Form1Description().controls;
    for (std::size_t i = 0; i < controls.size() && i < controls_.size(); ++i) {
        if (controls[i].name == name && controls[i].index == index) {
            return controls_[i];
        }
    }
    return nullptr;
}

HFONT Form1::FontFor(const FontDescription& font)
{
    // The four direction buttons share one font, the two labels over the
    // square buttons another.
    for (const auto& [made, handle] : fonts_) {
        if (made.face == font.face && made.points == font.points && made.weight == font.weight) {
            return handle;
        }
    }
    fonts_.push_back({font, CreateFormFont(dpi_, font)});
    return fonts_.back().second;
}

std::size_t Form1::IndexOf(HWND control) const
{
    // Each control's ID is its place in the description.
    const std::size_t index = static_cast<std::size_t>(GetDlgCtrlID(control) - FirstControlId);
    return index < controls_.size() && controls_[index] == control ? index : controls_.size();
}

void Form1::SetBackColor(Button button, ColourRef colour)
{
    faces_[static_cast<std::size_t>(button)] = colour;
    InvalidateRect(buttons_[static_cast<std::size_t>(button)], nullptr, FALSE);
}

void Form1::PaintNow()
{
    if (window_) {
        RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        // Wine shows what was painted only once the thread looks for
        // messages; a look that takes none costs nothing on Windows.
        MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
    }
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
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (lParam != 0 && id >= FirstControlId) {
            OnCommand(static_cast<std::size_t>(id - FirstControlId), HIWORD(wParam));
        }
        return 0;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_STATIC) {
            DrawFrame(item);
        } else {
            DrawButton(item);
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case DpiChanged: // moved to a monitor of another scale, or the scale changed
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case EndAskedMessage: // the console: Ctrl+C, Ctrl+Break, closed
        session_.AskEnd();
        [[fallthrough]];
    case WM_CLOSE: // close box, system menu, Alt+F4
        session_.Unload();
        DestroyWindow(window_);
        return 0;
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
    if (control >= controls_.size() || (code != BN_CLICKED && code != BN_DOUBLECLICKED)) {
        return;
    }
    // A second quick click arrives as a double click: a Click all the same.
    const ControlDescription& d = Form1Description().controls[control];
    if (d.kind == ControlKind::OptionButton) {
        if (SendMessageW(controls_[control], BM_GETCHECK, 0, 0) != BST_CHECKED) {
            return;
        }
        // The group's one tab stop follows the checked option.
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (Form1Description().controls[i].kind == ControlKind::OptionButton) {
                const LONG_PTR style = GetWindowLongPtrW(controls_[i], GWL_STYLE);
                SetWindowLongPtrW(controls_[i], GWL_STYLE,
                                  i == control ? style | WS_TABSTOP
                                               : style & ~LONG_PTR{WS_TABSTOP});
            }
        }
    }
    session_.Click(d.click);
}

void Form1::PaintBackground(HDC dc) const
{
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH olive = CreateSolidBrush(Form1Description().backColour);
    FillRect(dc, &client, olive);
    DeleteObject(olive);
}

void Form1::DrawFrame(const DRAWITEMSTRUCT& item) const
{
    const std::size_t i = IndexOf(item.hwndItem);
    if (i >= controls_.size()) {
        return;
    }
    const ControlDescription& d = Form1Description().controls[i];
    // Opaque on the dialog face colour, like the labels; an etched border
    // from the middle of the caption line down, the caption on it.
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ previous = SelectObject(item.hDC, fontOf_[i]);
    TEXTMETRICW metrics{};
    GetTextMetricsW(item.hDC, &metrics);
    RECT border = item.rcItem;
    border.top += metrics.tmHeight / 2;
    DrawEdge(item.hDC, &border, EDGE_ETCHED, BF_RECT);
    const std::wstring caption = Wide(d.caption);
    SetBkMode(item.hDC, OPAQUE);
    SetBkColor(item.hDC, GetSysColor(COLOR_BTNFACE));
    SetTextColor(item.hDC, d.colour);
    TextOutW(item.hDC, item.rcItem.left + metrics.tmAveCharWidth, item.rcItem.top, caption.c_str(),
             static_cast<int>(caption.size()));
    SelectObject(item.hDC, previous);
}

LRESULT Form1::ColourStatic(HDC dc, HWND control) const
{
    const std::size_t i = IndexOf(control);
    if (i < controls_.size() && Form1Description().controls[i].kind == ControlKind::OptionButton) {
        // The option is as wide as its mark; what would show of its caption
        // past the mark is drawn in the face colour, so only the mark shows.
        SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
    } else if (i < controls_.size() && Form1Description().controls[i].colour != NoColour) {
        SetTextColor(dc, Form1Description().controls[i].colour);
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Form1::DrawButton(const DRAWITEMSTRUCT& item) const
{
    const std::size_t i = IndexOf(item.hwndItem);
    if (i >= controls_.size()) {
        return;
    }
    const ControlDescription& d = Form1Description().controls[i];
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    HBRUSH brush = CreateSolidBrush(faces_[static_cast<std::size_t>(*d.button)]);
    FillRect(item.hDC, &face, brush);
    DeleteObject(brush);
    if (!d.caption.empty()) {
        const std::wstring caption = Wide(d.caption);
        RECT text = face;
        if (pressed) {
            OffsetRect(&text, 1, 1);
        }
        const HGDIOBJ previous = SelectObject(item.hDC, fontOf_[i]);
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, RGB(0, 0, 0));
        DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(item.hDC, previous);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = face;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(item.hDC, &focus);
    }
}

} // namespace kovir
