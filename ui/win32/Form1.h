#pragma once

#include "core/ButtonPanel.h"
#include "form/FormSession.h"
#include "ui/win32/ConsoleStop.h"
#include "ui/win32/Form1Layout.h"
#include "windows/SystemLibrary.h"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

namespace kovir {

// The program's one window, native Win32, made from the form's description.
// It owns the port and the Controller for its whole life, shows the
// Controller's colours on its owner-drawn buttons, and turns each Click into
// one Controller operation. Constructing it is the form's Load: the window
// is made hidden and the Controller's Start runs before it can be shown.
class Form1 final : public ButtonPanel {
public:
    explicit Form1(std::unique_ptr<PortOutput> port);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void Show();
    // Presses the button whose key `message` is (wherever the focus is in
    // the window); whether it was one. For the message loop, before the
    // dialog manager sees it.
    bool PressKeyOf(const MSG& message);
    void SetBackColor(Button button, ColourRef colour) override;

    HWND Window() const { return window_; }
    HWND Control(std::string_view name, int index = -1) const { return controls_.Named(name, index); }
    // The tooltip window: each button's name and its key.
    HWND Tooltip() const { return tooltip_; }

    // Its port, Controller, failure latch and Unload.
    FormSession& Session() { return session_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateWindowAndControls();
    void OnCommand(std::size_t control, UINT code);
    void OnDpiChanged(int dpi, const RECT& suggested);
    // Painting (Form1Paint.cpp).
    void OnDrawItem(const DRAWITEMSTRUCT& item) const;
    LRESULT OnColourStatic(HDC dc, HWND control) const;
    void PaintBackground(HDC dc) const;
    void PaintNow(); // what changed, on the screen now
    void ShowKeysInTooltips();
    void Release(); // the window and the fonts

    HWND window_ = nullptr;
    FormSession session_;
    Form1Controls controls_;
    std::array<ColourRef, ButtonCount> faces_{};
    std::optional<ConsoleStop> consoleStop_; // as long as the window
    std::unique_ptr<SystemLibrary> commonControls_; // for the tooltip
    HWND tooltip_ = nullptr;                        // owned by the window
    bool ending_ = false; // destroyed by us: no quit message
};

} // namespace kovir
