#include "ui/win32/OptionTabStop.h"

namespace kovir {

void PlaceTabStopOn(const Form1Controls& controls, std::size_t checked)
{
    for (std::size_t i = 0; i < controls.Count(); ++i) {
        if (Form1Description().controls[i].kind == ControlKind::OptionButton) {
            const LONG_PTR style = GetWindowLongPtrW(controls[i], GWL_STYLE);
            SetWindowLongPtrW(controls[i], GWL_STYLE,
                              i == checked ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
        }
    }
}

} // namespace kovir
