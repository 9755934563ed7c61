#include "ui/win32/Fonts.h"

#include "windows/Text.h"

#include <cmath>
#include <string>

namespace kovir {

HFONT CreateFormFont(int dpi, const FontDescription& font)
{
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
    lf.lfWeight = font.weight;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = Wide(font.face);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

namespace {

bool Fits(HDC dc, HFONT font, std::wstring_view caption, ControlKind kind, int width, int height)
{
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.data(), static_cast<int>(caption.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    if (kind == ControlKind::Frame) {
        // The caption starts one average character in from each corner.
        return size.cx + 2 * metrics.tmAveCharWidth <= width;
    }
    return size.cx <= width && size.cy <= height;
}

} // namespace

bool CaptionFits(HFONT font, std::wstring_view caption, ControlKind kind, int width, int height)
{
    HDC dc = GetDC(nullptr);
    const bool fits = Fits(dc, font, caption, kind, width, height);
    ReleaseDC(nullptr, dc);
    return fits;
}

HFONT FitDialogFont(int dpi, std::span<const ControlDescription> controls,
                    std::span<const std::wstring> captions)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW lf = metrics.lfMessageFont;
    HDC dc = GetDC(nullptr);
    // The system's font is for the system's DPI; the window may be on a
    // monitor of another scale.
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, GetDeviceCaps(dc, LOGPIXELSY));
    for (;;) {
        HFONT font = CreateFontIndirectW(&lf);
        bool fits = true;
        for (std::size_t i = 0; i < controls.size() && i < captions.size(); ++i) {
            const ControlDescription& d = controls[i];
            const bool shown = d.font.face.empty() && !captions[i].empty() &&
                               (d.kind == ControlKind::Label || d.kind == ControlKind::Frame);
            if (shown && !Fits(dc, font, captions[i], d.kind, MulDiv(d.place.width, dpi, 1440),
                               MulDiv(d.place.height, dpi, 1440))) {
                fits = false;
                break;
            }
        }
        // Never below 8 pixels: past that a smaller font is no longer text.
        const LONG height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
        if (fits || height <= 8) {
            ReleaseDC(nullptr, dc);
            return font;
        }
        DeleteObject(font);
        lf.lfHeight = lf.lfHeight < 0 ? lf.lfHeight + 1 : lf.lfHeight - 1;
    }
}

} // namespace kovir
