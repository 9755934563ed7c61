#include "ui/win32/Form1Layout.h"

#include "ui/win32/Fonts.h"
#include "windows/Text.h"

#include <stdexcept>

namespace kovir {

namespace {

constexpr int FirstControlId = 100; // clear of IDOK and IDCANCEL, which mean nothing here

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

Form1Controls::~Form1Controls()
{
    ReleaseFonts();
}

void Form1Controls::Create(HWND window, int dpi)
{
    window_ = window;
    bool inOptions = false;
    std::size_t frameIndex = 0;
    for (const ControlDescription& d : Form1Description().controls) {
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
            StyleOf(d, option && !inOptions, inOptions && !option), 0, 0, 0, 0, window,
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
    LayOut(dpi);
    // The frame is drawn under its options and labels; it takes no focus,
    // so the keyboard order is unchanged.
    SetWindowPos(controls_[frameIndex], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(Named(StartOption().name, StartOption().index), BM_SETCHECK, BST_CHECKED, 0);
}

void Form1Controls::LayOut(int dpi)
{
    dpi_ = dpi;
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

void Form1Controls::NameDrivenPorts(PortOutput& port)
{
    const auto& controls = Form1Description().controls;
    bool renamed = false;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlDescription& d = controls[i];
        const std::wstring text = Wide(d.kind == ControlKind::Label || d.kind == ControlKind::Frame
                                           ? CaptionInRun(d, port)
                                           : AccessibleNameInRun(d, port));
        if (text != texts_[i]) {
            texts_[i] = text;
            SetWindowTextW(controls_[i], text.c_str());
            renamed = true;
        }
    }
    if (renamed) {
        LayOut(dpi_);
    }
}

HFONT Form1Controls::FontFor(const FontDescription& font)
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

void Form1Controls::ReleaseFonts()
{
    for (const auto& [description, font] : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
}

HWND Form1Controls::Named(std::string_view name, int index) const
{
    const auto& controls = Form1Description().controls;
    for (std::size_t i = 0; i < controls.size() && i < controls_.size(); ++i) {
        if (controls[i].name == name && controls[i].index == index) {
            return controls_[i];
        }
    }
    return nullptr;
}

std::size_t Form1Controls::IndexOfId(int id) const
{
    const auto index = static_cast<std::size_t>(id - FirstControlId);
    return id >= FirstControlId && index < controls_.size() ? index : controls_.size();
}

std::size_t Form1Controls::IndexOf(HWND control) const
{
    const std::size_t index = IndexOfId(GetDlgCtrlID(control));
    return index < controls_.size() && controls_[index] == control ? index : controls_.size();
}

} // namespace kovir
