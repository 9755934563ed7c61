#include "ui/win32/KeyButtons.h"

#include "form/Form1Keys.h"
#include "windows/Text.h"

#include <commctrl.h>

#include <string>

namespace kovir {

// By the letter the key types in the active layout (a Cyrillic one's too);
// only where the layout cannot say, by the Latin letter Windows names the
// key by. The keypad's digits come as such only with Num Lock on (off, they
// are arrows).
const ControlDescription* ButtonForKey(WPARAM key)
{
    if (key == VK_ESCAPE) {
        return ButtonForEscape();
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
        return ButtonForKeypad(static_cast<char>('0' + (key - VK_NUMPAD0)));
    }
    constexpr UINT ToCharacter = 2; // MAPVK_VK_TO_CHAR: the unshifted letter, a capital
    const auto typed =
        static_cast<char32_t>(MapVirtualKeyW(static_cast<UINT>(key), ToCharacter) & 0xFFFF);
    if (typed != 0) {
        return ButtonForLetter(typed);
    }
    return key >= 'A' && key <= 'Z' ? ButtonForLetter(static_cast<char32_t>(key)) : nullptr;
}

bool PressButtonOfKey(const MSG& message, HWND window, const Form1Controls& controls)
{
    if (message.message != WM_KEYDOWN ||
        (message.hwnd != window && !IsChild(window, message.hwnd)) || GetKeyState(VK_CONTROL) < 0 ||
        GetKeyState(VK_MENU) < 0) {
        return false;
    }
    const ControlDescription* button = ButtonForKey(message.wParam);
    if (!button) {
        return false;
    }
    // A held key presses once: Windows marks the repeats.
    constexpr LPARAM Repeated = 1 << 30;
    if (!(message.lParam & Repeated)) {
        SendMessageW(controls.Named(button->name, button->index), BM_CLICK, 0, 0);
    }
    return true;
}

HWND MakeKeyTooltip(HWND window, const Form1Controls& controls, const SystemLibrary& commonControls)
{
    const auto init =
        commonControls.Bind<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    if (!init || !init(&classes)) {
        return nullptr;
    }
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    if (!tooltip) {
        return nullptr;
    }
    for (const ControlKeys& keys : Form1Keys()) {
        std::wstring hint = Wide(KeyHint(*FindControl(keys.control)));
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(controls.Named(keys.control, -1));
        tool.lpszText = hint.data();
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tooltip;
}

} // namespace kovir
