// What both windows do alike when an event's work fails: the device is
// stopped unless it was the port itself that failed, the first failure is
// kept, the loop is ended, and nothing is acted on after it.
#include "form/FormSession.h"
#include "tests/support/CallLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace kovir {
namespace {

using testing::CallLog;
using testing::PortWrite;
using testing::RecordingPort;
using testing::WritesIn;

// A window's panel that fails where the test says, as a window running out
// of memory while it paints would.
class FailingPanel final : public ButtonPanel {
public:
    std::function<void(Button, ColourRef)> onSetBackColor;
    void SetBackColor(Button button, ColourRef colour) override
    {
        if (onSetBackColor) {
            onSetBackColor(button, colour);
        }
    }
};

constexpr ClickAction Napred{ClickOperation::Move, Direction::Forward, PortAddress::Lpt1};
constexpr ClickAction Zvuk{ClickOperation::Sound, Direction::Forward, PortAddress::Lpt1};

TEST(FormSession, AFailureNotThePortsStopsTheDeviceFirstAPortFailureWritesNothingMore)
{
    struct Row {
        const char* what;
        ClickAction click;
        std::function<void(RecordingPort&, FailingPanel&, std::function<void()>&)> arm;
        std::vector<PortWrite> writes; // after Load's
    } rows[] = {
        {"the panel fails after the byte went out", Napred,
         [](RecordingPort&, FailingPanel& panel, std::function<void()>&) {
             panel.onSetBackColor = [](Button, ColourRef colour) {
                 if (colour == colour::Pressed) {
                     throw std::bad_alloc();
                 }
             };
         },
         {{0x378, 0x0F}, {0x378, 0}}},
        {"the paint inside the pulse fails: the pulse lasts, then the stop", Zvuk,
         [](RecordingPort&, FailingPanel&, std::function<void()>& paint) {
             paint = [] { throw std::bad_alloc(); };
         },
         {{0x378, 0x10}, {0x378, 0}}},
        {"the port fails", Napred,
         [](RecordingPort& port, FailingPanel&, std::function<void()>&) {
             port.onPortOut = [] { throw std::runtime_error("Paralelni port 0x378 nije dostupan."); };
         },
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CallLog log;
        FailingPanel panel;
        auto port = std::make_unique<RecordingPort>(log);
        RecordingPort& recording = *port;
        std::function<void()> paint = [] {};
        int loopsEnded = 0;
        FormSession session(std::move(port), panel,
                            {[&paint] { paint(); }, [&loopsEnded] { ++loopsEnded; }});
        session.Load();
        log.clear();
        row.arm(recording, panel, paint);
        session.Click(row.click);
        recording.onPortOut = nullptr;
        panel.onSetBackColor = nullptr;
        session.Click(Napred); // behind the failure: not acted on
        session.Unload();      // a later exit path: no second stop
        EXPECT_EQ(WritesIn(log), row.writes);
        EXPECT_TRUE(session.Failed());
        EXPECT_EQ(loopsEnded, 1);
        EXPECT_TRUE(session.TakeFailure());
    }
}

} // namespace
} // namespace kovir
