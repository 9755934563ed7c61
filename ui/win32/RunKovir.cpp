#include "ui/win32/RunKovir.h"

#include "form/Form1Description.h"
#include "ui/win32/Form1.h"
#include "windows/Text.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <optional>

namespace kovir {

namespace {

// On standard error, where a console or a pipeline's reader sees it, and on
// the screen. Not on the screen when the end was asked for (the console, a
// logoff): a box would keep the program waiting for a click.
void ShowFailure(const std::exception& e, bool onScreen = true)
{
    std::fprintf(stderr, "kovir: %s\n", e.what());
    std::fflush(stderr);
    if (onScreen) {
        MessageBoxW(nullptr, Wide(e.what()).c_str(), Wide(Form1Description().caption).c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
}

} // namespace

int RunKovir(std::unique_ptr<PortOutput> port)
{
    std::optional<Form1> form;
    try {
        form.emplace(std::move(port));
    } catch (const std::exception& e) {
        ShowFailure(e); // during Load: no window was shown
        return 1;
    }
    FormSession& session = form->Session();
    form->Show();

    int status = 1;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            status = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) {
            break;
        }
        // The buttons' keys first; then the dialog manager gives Tab, the
        // arrow keys within the option group and Space on the focused button.
        if (form->PressKeyOf(message)) {
            continue;
        }
        if (!IsDialogMessageW(form->Window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (std::exception_ptr failure = session.TakeFailure()) {
        const bool endAsked = session.EndAsked();
        form.reset(); // the window goes; the port keeps what it last received
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            ShowFailure(e, !endAsked);
        }
        return 1;
    }
    return status;
}

} // namespace kovir
