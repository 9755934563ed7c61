// The Win32 window made from the description, read back from the real
// windows: class, style, place, text, keyboard order; and its events, sent
// as the window system sends them, over a recording port.
#include "form/Form1Description.h"
#include "tests/support/CallLog.h"
#include "ui/win32/ConsoleStop.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Form1.h"
#include "windows/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kovir {
namespace {

using testing::CallLog;
using testing::PortWrite;
using testing::WritesIn;

// The window over a recording port; Load has run.
struct MadeForm {
    CallLog log;
    std::unique_ptr<Form1> form;
    // `drives`: the port each option's address drives on this PC, where not itself.
    explicit MadeForm(std::map<std::int16_t, std::string> drives = {})
    {
        auto port = std::make_unique<testing::RecordingPort>(log);
        port->drives = std::move(drives);
        form = std::make_unique<Form1>(std::move(port));
    }
    // Napred, with the log and any quit message an earlier window left
    // behind forgotten: what follows is the device driving.
    void DriveForward()
    {
        SendMessageW(form->Control("Command3"), BM_CLICK, 0, 0);
        log.clear();
        MSG earlier;
        PeekMessageW(&earlier, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
};

int Dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::wstring ClassName(HWND w)
{
    wchar_t name[64];
    return std::wstring(name, static_cast<std::size_t>(GetClassNameW(w, name, 64)));
}

std::wstring TextOf(HWND w)
{
    wchar_t text[128];
    return std::wstring(text, static_cast<std::size_t>(GetWindowTextW(w, text, 128)));
}

TEST(Form1Win32, EveryControlIsWhereTheDescriptionSaysAsTheRightKindOfWindow)
{
    MadeForm made;
    const int dpi = Dpi();
    if (const char* expected = std::getenv("KOVIR_TEST_DPI")) { // a prefix set to another scale
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    const FormDescription& description = Form1Description();

    RECT client;
    GetClientRect(made.form->Window(), &client);
    EXPECT_EQ(client.right, px(description.width));
    EXPECT_EQ(client.bottom, px(description.height));
    EXPECT_EQ(TextOf(made.form->Window()), L"Upravljanje kovirom");
    const LONG_PTR frameStyle = GetWindowLongPtrW(made.form->Window(), GWL_STYLE);
    EXPECT_FALSE(frameStyle & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "the operator cannot resize it";
    EXPECT_FALSE(IsWindowVisible(made.form->Window())) << "Load runs before the window is shown";

    for (const ControlDescription& d : description.controls) {
        SCOPED_TRACE(::testing::Message() << d.name << " " << d.index);
        HWND w = made.form->Control(d.name, d.index);
        ASSERT_NE(w, nullptr);
        RECT place;
        GetWindowRect(w, &place);
        MapWindowPoints(nullptr, made.form->Window(), reinterpret_cast<POINT*>(&place), 2);
        const TwipRect twips = PlaceInForm(d);
        EXPECT_EQ(
            std::vector<LONG>(
                {place.left, place.top, place.right - place.left, place.bottom - place.top}),
            std::vector<LONG>({px(twips.left), px(twips.top), px(twips.width), px(twips.height)}));

        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
        const LONG_PTR kind = style & BS_TYPEMASK;
        switch (d.kind) {
        case ControlKind::Label:
            EXPECT_EQ(ClassName(w), L"Static");
            EXPECT_EQ(TextOf(w), Wide(d.caption));
            EXPECT_TRUE(style & SS_NOPREFIX) << "no access keys";
            break;
        case ControlKind::Frame:
            EXPECT_EQ(ClassName(w), L"Static");
            EXPECT_EQ(style & SS_TYPEMASK, SS_OWNERDRAW) << "we draw it, caption in its colour";
            EXPECT_EQ(TextOf(w), Wide(d.caption));
            break;
        case ControlKind::OptionButton:
            EXPECT_EQ(ClassName(w), L"Button");
            EXPECT_EQ(kind, BS_AUTORADIOBUTTON);
            EXPECT_EQ(TextOf(w), Wide(d.accessibleName)) << "what a screen reader says";
            EXPECT_EQ(SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED, d.name == "Option1");
            break;
        case ControlKind::Button:
            EXPECT_EQ(ClassName(w), L"Button");
            EXPECT_EQ(kind, BS_OWNERDRAW) << "we draw the face in its colour";
            EXPECT_EQ(TextOf(w), Wide(d.accessibleName));
            break;
        }
        // Shown captions fit their controls in the font they are drawn in.
        if ((d.kind == ControlKind::Label || d.kind == ControlKind::Frame) && d.font.face.empty()) {
            const auto font = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
            EXPECT_TRUE(
                CaptionFits(font, Wide(d.caption), d.kind, px(d.place.width), px(d.place.height)));
        }
    }
}

TEST(Form1Win32, TabVisitsTheCheckedOptionThenTheButtonsInOrder)
{
    MadeForm made;
    const auto nameOf = [&](HWND w) -> std::string {
        for (const ControlDescription& d : Form1Description().controls) {
            if (made.form->Control(d.name, d.index) == w) {
                return std::string(d.name);
            }
        }
        return "?";
    };
    std::vector<std::string> walk;
    HWND at = made.form->Control("Option1");
    for (int i = 0; i < 7; ++i) {
        at = GetNextDlgTabItem(made.form->Window(), at, FALSE);
        walk.push_back(nameOf(at));
    }
    EXPECT_EQ(walk, (std::vector<std::string>{"Command1", "Command2", "Command3", "Command4",
                                              "Command5", "Command6", "Option1"}));

    // Choosing LPT2 moves the group's one tab stop onto it.
    SendMessageW(made.form->Control("Option3"), BM_CLICK, 0, 0);
    EXPECT_EQ(GetNextDlgTabItem(made.form->Window(), made.form->Control("Command6"), FALSE),
              made.form->Control("Option3"));
}

void Send(MadeForm& made, const char* control, WORD code)
{
    HWND w = made.form->Control(control);
    SendMessageW(made.form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), code),
                 reinterpret_cast<LPARAM>(w));
}

TEST(Form1Win32, ClicksDoubleClicksAndTheEndOfTheSessionReachThePort)
{
    MadeForm made;
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{{0x378, 0}})) << "Load";
    made.log.clear();

    SendMessageW(made.form->Control("Command3"), BM_CLICK, 0, 0); // Napred
    Send(made, "Command3", BN_DOUBLECLICKED);                     // a second quick click
    SendMessageW(made.form->Control("Option2"), BM_CLICK, 0, 0);  // LPT3
    Send(made, "Command1", BN_CLICKED);                           // Levo
    // Enter and Esc reach the window as IDOK and IDCANCEL: nothing happens.
    SendMessageW(made.form->Window(), WM_COMMAND, IDOK, 0);
    SendMessageW(made.form->Window(), WM_COMMAND, IDCANCEL, 0);
    SendMessageW(made.form->Window(), WM_QUERYENDSESSION, 0, 0);
    SendMessageW(made.form->Window(), WM_ENDSESSION, TRUE, 0);
    SendMessageW(made.form->Window(), WM_CLOSE, 0, 0); // only one stop, however it ends

    // The stop goes to the chosen port, then to the one left driving.
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{
                                      {0x378, 15}, {0x378, 15}, {0x3BC, 14}, {0x3BC, 0}, {0x378, 0}}));
}

TEST(Form1Win32, AnInstallersEndOfTheSessionStopsTheDeviceAndEndsTheProgram)
{
    MadeForm made;
    made.DriveForward();
    const HWND window = made.form->Window();
    constexpr LPARAM CloseApp = 0x1; // ENDSESSION_CLOSEAPP: the Restart Manager's
    EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, CloseApp));
    SendMessageW(window, WM_ENDSESSION, TRUE, CloseApp);
    // Whatever still comes reaches nothing: a click, a key, the close box.
    made.form->Session().Click(FindControl("Command3")->click);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{{0x378, 0}}));
    EXPECT_FALSE(IsWindow(window)) << "the window went";
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
    EXPECT_EQ(quit.wParam, 0U);
    EXPECT_TRUE(made.form->Session().EndAsked()) << "no message may wait after it";
}

TEST(Form1Win32, BeforeThePCSleepsTheDeviceIsStoppedAndOnWakingNothingDrives)
{
    MadeForm made;
    made.DriveForward();
    SendMessageW(made.form->Control("Option3"), BM_CLICK, 0, 0); // LPT2, 0x378 left driving
    const HWND window = made.form->Window();
    EXPECT_TRUE(SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0));
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{{0x278, 0}, {0x378, 0}}))
        << "stopped before the message returns, every port";
    made.log.clear();
    for (const WPARAM waking : {WPARAM{PBT_APMRESUMEAUTOMATIC}, WPARAM{PBT_APMRESUMESUSPEND}}) {
        SendMessageW(window, WM_POWERBROADCAST, waking, 0);
    }
    EXPECT_TRUE(WritesIn(made.log).empty()) << "waking writes nothing";
    SendMessageW(made.form->Control("Command3"), BM_CLICK, 0, 0);
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{{0x278, 15}})) << "Napred drives again";
    EXPECT_FALSE(made.form->Session().Failed());
}

TEST(Form1Win32, AFailureInAHandlerIsKeptAndEndsTheLoopInsteadOfUnwinding)
{
    MadeForm made;
    auto* port = new testing::RecordingPort(made.log);
    // The port of this form fails on its next write.
    made.form = std::make_unique<Form1>(std::unique_ptr<PortOutput>(port));
    port->onPortOut = [] { throw std::runtime_error("port gone"); };
    MSG earlier; // an earlier window's end left its own quit message
    PeekMessageW(&earlier, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    SendMessageW(made.form->Control("Command2"), BM_CLICK, 0, 0);
    SendMessageW(made.form->Control("Command1"), BM_CLICK, 0, 0); // not acted on
    const std::exception_ptr failure = made.form->Session().TakeFailure();
    ASSERT_TRUE(failure);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 1U);
}

TEST(Form1Win32, ClosingTheConsoleWritesTheStopByteWellBeforeWindowsEndsTheProcess)
{
    MadeForm made;
    made.DriveForward();

    // Windows calls the handler on a thread of its own, and ends the process
    // when it returns, or 5 seconds after the event at the latest.
    BOOL handled = FALSE;
    DWORD took = 0;
    std::vector<PortWrite> writtenWhenItReturned;
    std::thread system([&] {
        const DWORD start = GetTickCount();
        handled = ConsoleStop::OnConsoleEvent(CTRL_CLOSE_EVENT);
        took = GetTickCount() - start;
        writtenWhenItReturned = WritesIn(made.log);
    });
    MSG message; // the window's thread, as the program's message loop
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    system.join();

    EXPECT_TRUE(handled);
    EXPECT_EQ(writtenWhenItReturned, (std::vector<PortWrite>{{0x378, 0}}));
    // Returned on the window's word, not at the handler's own 4.5 s limit
    // (a bound that holds on any machine, an emulated PC's included).
    EXPECT_LT(took, 4500U);
    EXPECT_TRUE(made.form->Session().EndAsked()) << "no message may wait after it";
    // The handler went with the window: nothing left to take Ctrl+C.
    EXPECT_FALSE(SetConsoleCtrlHandler(&ConsoleStop::OnConsoleEvent, FALSE));
}

TEST(Form1Win32, OnAMonitorOfAnotherScaleEveryControlIsLaidOutAgainWithFontsForIt)
{
    MadeForm made;
    const HWND window = made.form->Window();
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    LONG dialogFontHeight = 0;
    for (const int dpi : {144, 96}) {
        SCOPED_TRACE(dpi);
        std::vector<HGDIOBJ> oldFonts;
        for (const ControlDescription& d : Form1Description().controls) {
            oldFonts.push_back(reinterpret_cast<HGDIOBJ>(
                SendMessageW(made.form->Control(d.name, d.index), WM_GETFONT, 0, 0)));
        }
        const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
        const FormDescription& description = Form1Description();
        // What Windows suggests: the window's size at that scale, where it is.
        RECT suggested{0, 0, px(description.width), px(description.height)};
        AdjustWindowRectEx(&suggested, style, FALSE, 0);
        OffsetRect(&suggested, 40, 30);
        constexpr UINT DpiChanged = 0x02E0; // WM_DPICHANGED, above the headers' Windows version
        SendMessageW(window, DpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));

        RECT frame;
        GetWindowRect(window, &frame);
        EXPECT_TRUE(EqualRect(&frame, &suggested));
        for (HGDIOBJ font : oldFonts) {
            EXPECT_EQ(GetObjectType(font), 0U) << "the fonts of the old scale are freed";
        }
        for (const ControlDescription& d : description.controls) {
            SCOPED_TRACE(std::string(d.name));
            const HWND control = made.form->Control(d.name, d.index);
            RECT place;
            GetWindowRect(control, &place);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
            const TwipRect twips = PlaceInForm(d);
            EXPECT_EQ(place.left, px(twips.left));
            EXPECT_EQ(place.top, px(twips.top));
            EXPECT_EQ(place.right - place.left, px(twips.width));
            EXPECT_EQ(place.bottom - place.top, px(twips.height));
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                       sizeof font, &font);
            if (!d.font.face.empty()) {
                EXPECT_EQ(font.lfHeight, -std::lround(d.font.points * dpi / 72.0));
            } else if (dpi == 144) {
                dialogFontHeight = std::abs(font.lfHeight);
            } else {
                EXPECT_LT(std::abs(font.lfHeight), dialogFontHeight); // made for the scale too
            }
        }
    }
}

TEST(Form1Win32, APortsLabelNamesThePortItsOptionDrivesAndFitsAtEveryScale)
{
    // The widest address, and a board told apart from another by its serial.
    MadeForm made({{0x378, "DDDD"}, {0x278, "USB WM"}});
    const HWND window = made.form->Window();
    const std::pair<const char*, const wchar_t*> named[] = {
        {"Label3", L"LPT1: DDDD"}, {"Option1", L"LPT1: DDDD"}, {"Label4", L"LPT2: USB WM"},
        {"Option3", L"LPT2: USB WM"}, {"Label6", L"LPT3: 3BC"}, {"Option2", L"LPT3: 3BC"}};
    for (const int dpi : {144, 120, 96}) {
        SCOPED_TRACE(dpi);
        const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
        RECT suggested{0, 0, px(Form1Description().width), px(Form1Description().height)};
        SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        for (const auto& [name, text] : named) {
            const HWND control = made.form->Control(name);
            EXPECT_EQ(TextOf(control), text) << name;
            const ControlDescription& d = *FindControl(name);
            const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
            EXPECT_TRUE(d.kind != ControlKind::Label ||
                        CaptionFits(font, text, d.kind, px(d.place.width), px(d.place.height)))
                << name;
        }
    }
}

TEST(Form1Win32, EachButtonsKeyPressesItWhereverTheFocusIsAndItsTooltipSaysWhich)
{
    MadeForm made;
    made.log.clear();
    const HWND option = made.form->Control("Option1"); // where the focus starts
    const auto press = [&](WPARAM key, LPARAM repeated = 0) {
        const MSG message{option, WM_KEYDOWN, key, repeated, 0, {}};
        return made.form->PressKeyOf(message);
    };
    EXPECT_TRUE(press('W'));
    EXPECT_TRUE(press('W', LPARAM{1} << 30)); // held: pressed once
    EXPECT_TRUE(press(VK_NUMPAD4));
    EXPECT_TRUE(press(VK_ESCAPE));
    EXPECT_FALSE(press(VK_UP)) << "the arrow keys stay the options'";
    EXPECT_FALSE(press(VK_SPACE)) << "Space stays the focused button's";
    EXPECT_EQ(WritesIn(made.log), (std::vector<PortWrite>{{0x378, 15}, {0x378, 14}, {0x378, 0}}));

    made.form->Show(); // the tooltips come with the first picture
    const std::pair<const char*, const wchar_t*> tips[] = {
        {"Command1", L"Levo (A)"}, {"Command2", L"Desno (D)"}, {"Command3", L"Napred (W)"},
        {"Command4", L"Nazad (S)"}, {"Command5", L"ZVUK (Z)"},  {"Command6", L"Stop (Esc)"}};
    for (const auto& [name, tip] : tips) {
        wchar_t text[80] = {};
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = made.form->Window();
        tool.uId = reinterpret_cast<UINT_PTR>(made.form->Control(name));
        tool.lpszText = text;
        SendMessageW(made.form->Tooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(text, tip) << name;
    }
}

TEST(Form1Win32, TheSoundButtonIsPaintedInsideThePortsWaitNotBeforeIt)
{
    CallLog log;
    auto recording = std::make_unique<testing::RecordingPort>(log);
    testing::RecordingPort& port = *recording;
    Form1 form(std::move(recording));
    form.Show();
    const HWND sound = form.Control("Command5");
    BOOL pendingBefore = FALSE, pendingDuring = TRUE;
    port.beforeMeanwhile = [&] { pendingBefore = GetUpdateRect(sound, nullptr, FALSE); };
    port.onWait = [&] { pendingDuring = GetUpdateRect(sound, nullptr, FALSE); };
    SendMessageW(sound, BM_CLICK, 0, 0);
    EXPECT_TRUE(pendingBefore) << "yellow is not yet on the screen when the wait starts";
    EXPECT_FALSE(pendingDuring) << "and is, inside it";
}

} // namespace
} // namespace kovir
