// A long seeded random run of operator commands: whatever the order, the
// device only ever sees the documented bytes on the documented ports, and the
// buttons always show the state the device is in.
#include "core/Controller.h"
#include "tests/support/CallLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>

namespace kovir {
namespace {

using testing::CallLog;
using testing::PortWrite;
using testing::RecordingPanel;
using testing::RecordingPort;
using testing::WritesIn;

const std::set<std::int16_t> Ports{888, 632, 956};
const std::set<int> PortValues{0, 5, 11, 14, 15, 16, 21, 27, 30, 31};
const std::set<int> RestingCommands{0, 5, 11, 14, 15};

// Which button lights up for a resting command byte; nullopt when stopped.
std::optional<Button> ActiveButton(std::uint8_t komanda)
{
    switch (komanda) {
    case 15:
        return Button::Command3;
    case 5:
        return Button::Command4;
    case 14:
        return Button::Command1;
    case 11:
        return Button::Command2;
    default:
        return std::nullopt;
    }
}

void ExpectColoursMatchState(const RecordingPanel& panel, std::uint8_t komanda, bool sounded)
{
    const auto active = ActiveButton(komanda);
    for (Button b : {Button::Command1, Button::Command2, Button::Command3, Button::Command4}) {
        EXPECT_EQ(panel.ColourOf(b), active == b ? 0x000FF0FFU : 0x00FFFFC0U);
    }
    EXPECT_EQ(panel.ColourOf(Button::Command6), active ? 0x000FF00FU : 0x000000FFU);
    if (sounded) {
        EXPECT_EQ(panel.ColourOf(Button::Command5), 0x00FF0000U);
    }
}

TEST(ControllerInvariants, HoldOverThousandsOfRandomOperations)
{
    CallLog log;
    RecordingPort port{log};
    RecordingPanel panel{log};
    Controller controller{port, panel};

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> pick(0, 8);
    const PortAddress addresses[] = {PortAddress::Lpt1, PortAddress::Lpt2, PortAddress::Lpt3};
    const Direction directions[] = {Direction::Forward, Direction::Back, Direction::Left,
                                    Direction::Right};

    controller.Start();
    std::int16_t selected = 888;
    bool sounded = false;
    for (int step = 0; step < 5000 && !::testing::Test::HasFailure(); ++step) {
        log.clear();
        const int op = pick(random);
        const std::uint8_t before = controller.Komanda();
        if (op < 4) {
            controller.Move(directions[op]);
        } else if (op == 4) {
            controller.Stop();
        } else if (op == 5) {
            controller.Sound();
            sounded = true;
            // The pulse is the resting byte plus D4, then the resting byte.
            EXPECT_EQ(WritesIn(log), (std::vector<PortWrite>{
                                         {selected, static_cast<std::uint8_t>(before | 0x10)},
                                         {selected, before}}));
        } else {
            const PortAddress address = addresses[op - 6];
            controller.SelectPort(address);
            selected = static_cast<std::int16_t>(address);
            EXPECT_TRUE(log.empty()) << "choosing a port writes nothing";
        }

        for (const PortWrite& w : WritesIn(log)) {
            EXPECT_TRUE(Ports.contains(w.port)) << w << " at step " << step;
            EXPECT_EQ(w.port, selected) << "a write went to a port not selected, step " << step;
            EXPECT_TRUE(PortValues.contains(w.value)) << w << " at step " << step;
        }
        EXPECT_TRUE(RestingCommands.contains(controller.Komanda())) << "step " << step;
        ExpectColoursMatchState(panel, controller.Komanda(), sounded);
    }
    EXPECT_TRUE(sounded);
}

} // namespace
} // namespace kovir
