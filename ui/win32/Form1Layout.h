#pragma once

#include "core/Button.h"
#include "form/Form1Description.h"
#include "port/PortOutput.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovir {

// The sixteen controls of the window, made from the description in keyboard
// order: each one's window (its ID says its place in the description), the
// text it shows in this run, and its place and font at the window's DPI.
class Form1Controls {
public:
    Form1Controls() = default;
    ~Form1Controls();
    Form1Controls(const Form1Controls&) = delete;
    Form1Controls& operator=(const Form1Controls&) = delete;

    // Makes every control on `window`, laid out for `dpi`, with the start
    // port's option checked.
    void Create(HWND window, int dpi);

    // Places every control and sets its font for a monitor of `dpi`.
    void LayOut(int dpi);
    int Dpi() const { return dpi_; }
    int Pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }

    // Each port's label and option name the port their address drives, as
    // `port` knows after its first write; the dialog font is fitted again
    // only if a text changed.
    void NameDrivenPorts(PortOutput& port);

    std::size_t Count() const { return controls_.size(); }
    HWND operator[](std::size_t i) const { return controls_[i]; }
    HWND Named(std::string_view name, int index) const;
    HWND Of(Button button) const { return buttons_[static_cast<std::size_t>(button)]; }
    // Which control in the description's order `control` is, or the one a
    // command's `id` names; Count() where it is none of these.
    std::size_t IndexOf(HWND control) const;
    std::size_t IndexOfId(int id) const;
    HFONT FontOf(std::size_t i) const { return fontOf_[i]; }

    // The fonts go once no control is left to use them.
    void ReleaseFonts();

private:
    HFONT FontFor(const FontDescription& font);

    HWND window_ = nullptr;
    std::vector<HWND> controls_;
    std::vector<std::wstring> texts_; // each one's window text in this run
    std::array<HWND, ButtonCount> buttons_{};
    std::vector<std::pair<FontDescription, HFONT>> fonts_; // owned, one per distinct font
    std::vector<HFONT> fontOf_;                            // per control
    int dpi_ = 96;
};

} // namespace kovir
