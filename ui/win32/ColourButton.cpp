#include "ui/win32/ColourButton.h"

#include "windows/Text.h"

#include <string>

namespace kovir {

void DrawColourButton(const DRAWITEMSTRUCT& item, ColourRef face, HFONT font,
                      std::string_view caption)
{
    RECT inside = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &inside, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(item.hDC, &inside, brush);
    DeleteObject(brush);
    if (!caption.empty()) {
        const std::wstring text = Wide(caption);
        RECT place = inside;
        if (pressed) {
            OffsetRect(&place, 1, 1);
        }
        const HGDIOBJ previous = SelectObject(item.hDC, font);
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, RGB(0, 0, 0));
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(item.hDC, previous);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = inside;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(item.hDC, &focus);
    }
}

} // namespace kovir
