#include "ui/win32/PaintBeforeWait.h"

namespace kovir {

void PaintBeforeWait::Wait(std::uint32_t milliseconds)
{
    // Painted inside the wait, which is counted from here: the paint does
    // not lengthen the pulse on the port.
    port_.WaitIncluding(milliseconds, [this] {
        if (window_) {
            RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            // Wine shows what was painted only once the thread looks for
            // messages; a look that takes none costs nothing on Windows.
            MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
        }
    });
}

} // namespace kovir
