#include "ui/win32/FrameBox.h"

#include "windows/Text.h"

#include <string>

namespace kovir {

void DrawFrameBox(const DRAWITEMSTRUCT& item, HFONT font, std::string_view caption,
                  ColourRef colour)
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ previous = SelectObject(item.hDC, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(item.hDC, &metrics);
    RECT border = item.rcItem;
    border.top += metrics.tmHeight / 2;
    DrawEdge(item.hDC, &border, EDGE_ETCHED, BF_RECT);
    const std::wstring text = Wide(caption);
    SetBkMode(item.hDC, OPAQUE);
    SetBkColor(item.hDC, GetSysColor(COLOR_BTNFACE));
    SetTextColor(item.hDC, colour);
    TextOutW(item.hDC, item.rcItem.left + metrics.tmAveCharWidth, item.rcItem.top, text.c_str(),
             static_cast<int>(text.size()));
    SelectObject(item.hDC, previous);
}

} // namespace kovir
