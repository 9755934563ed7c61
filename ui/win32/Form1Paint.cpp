// The window's painting: the buttons' faces, the frame, the labels'
// colours and the background, each as the description says.
#include "ui/win32/ColourButton.h"
#include "ui/win32/Form1.h"
#include "ui/win32/FrameBox.h"

namespace kovir {

namespace {

// `control` may be none of ours.
LRESULT ColourStatic(HDC dc, const ControlDescription* control)
{
    if (control && control->kind == ControlKind::OptionButton) {
        // The option is as wide as its mark; what would show of its caption
        // past the mark is drawn in the face colour, so only the mark shows.
        SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
    } else if (control && control->colour != NoColour) {
        SetTextColor(dc, control->colour);
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace

void Form1::SetBackColor(Button button, ColourRef colour)
{
    faces_[static_cast<std::size_t>(button)] = colour;
    InvalidateRect(controls_.Of(button), nullptr, FALSE);
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

void Form1::PaintBackground(HDC dc) const
{
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH olive = CreateSolidBrush(Form1Description().backColour);
    FillRect(dc, &client, olive);
    DeleteObject(olive);
}

LRESULT Form1::OnColourStatic(HDC dc, HWND control) const
{
    const std::size_t i = controls_.IndexOf(control);
    return ColourStatic(dc, i < controls_.Count() ? &Form1Description().controls[i] : nullptr);
}

void Form1::OnDrawItem(const DRAWITEMSTRUCT& item) const
{
    const std::size_t i = controls_.IndexOf(item.hwndItem);
    if (i >= controls_.Count()) {
        return;
    }
    const ControlDescription& d = Form1Description().controls[i];
    if (item.CtlType == ODT_STATIC) {
        DrawFrameBox(item, controls_.FontOf(i), d.caption, d.colour);
    } else {
        DrawColourButton(item, faces_[static_cast<std::size_t>(*d.button)], controls_.FontOf(i),
                         d.caption);
    }
}

} // namespace kovir
