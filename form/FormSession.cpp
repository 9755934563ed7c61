#include "form/FormSession.h"

namespace kovir {

FormSession::FormSession(std::unique_ptr<PortOutput> port, ButtonPanel& panel, Window window)
    : device_(std::move(port)), window_(std::move(window)), painting_(*device_, window_.paint),
      controller_(painting_, panel)
{
}

void FormSession::Click(const ClickAction& click)
{
    Handle([this, &click] { RunClick(controller_, click); });
}

void FormSession::Unload()
{
    if (!unloaded_ && !failed_) {
        unloaded_ = true;
        controller_.Close();
    }
}

void FormSession::PaintingPort::Wait(std::uint32_t milliseconds,
                                     const std::function<void()>& meanwhile)
{
    device_.Wait(milliseconds, [this, &meanwhile] {
        paint_();
        if (meanwhile) {
            meanwhile();
        }
    });
}

} // namespace kovir
