#include "ui/win32/PaintBeforeWait.h"

namespace kovir {

void PaintBeforeWait::Wait(std::uint32_t milliseconds)
{
    if (window_) {
        RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        // Wine shows what was painted only once the thread looks for
        // messages; a look that takes none costs nothing on Windows.
        MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
    }
    port_.Wait(milliseconds);
}

} // namespace kovir
