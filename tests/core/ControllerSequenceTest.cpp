// The exact call sequence of every operation: the device sees the writes,
// the operator sees the colours, and both depend on the order.
#include "core/Controller.h"
#include "tests/support/CallLog.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kovir {
namespace {

using testing::CallLog;
using testing::ColourChange;
using testing::PortWrite;
using testing::RecordingPanel;
using testing::RecordingPort;
using testing::WaitCall;
using testing::WritesIn;

constexpr ColourRef Cyan = 0x00FFFFC0;
constexpr ColourRef Yellow = 0x000FF0FF;
constexpr ColourRef Green = 0x000FF00F;
constexpr ColourRef Red = 0x000000FF;
constexpr ColourRef Blue = 0x00FF0000;

CallLog ResetDirections()
{
    return {ColourChange{Button::Command1, Cyan}, ColourChange{Button::Command2, Cyan},
            ColourChange{Button::Command3, Cyan}, ColourChange{Button::Command4, Cyan}};
}

CallLog Then(CallLog first, const CallLog& rest)
{
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

struct Rig {
    CallLog log;
    RecordingPort port{log};
    RecordingPanel panel{log};
    Controller controller{port, panel};

    // Runs `setup`, forgets what it did, runs `act` and returns what `act` did.
    template <typename Setup, typename Act> CallLog CallsOf(Setup setup, Act act)
    {
        setup(controller);
        log.clear();
        act(controller);
        return log;
    }
};

TEST(ControllerStart, StopsOnLpt1AndPaintsTheStoppedState)
{
    Rig rig;
    rig.controller.Start();
    EXPECT_EQ(rig.log, Then(ResetDirections(), {PortWrite{0x378, 0},
                                                ColourChange{Button::Command6, Red}}));
    EXPECT_EQ(rig.controller.LPTadresa(), 888);
    EXPECT_EQ(rig.controller.Komanda(), 0);
}

TEST(ControllerStart, ReturnsToLpt1WhateverWasSelectedBefore)
{
    Rig rig;
    rig.controller.SelectPort(PortAddress::Lpt3);
    rig.controller.Start();
    EXPECT_EQ(WritesIn(rig.log), (std::vector<PortWrite>{{0x378, 0}}));
}

struct MoveRow {
    Direction direction;
    std::uint8_t byte;
    Button pressed;
};

void PrintTo(const MoveRow& row, std::ostream* os)
{
    *os << "Command" << static_cast<int>(row.pressed) + 1 << " writes " << static_cast<int>(row.byte);
}

class ControllerMove : public ::testing::TestWithParam<MoveRow> {};

TEST_P(ControllerMove, FromEveryStateWritesTheDirectionByteAndShowsIt)
{
    const MoveRow row = GetParam();
    const CallLog expected =
        Then(ResetDirections(), {PortWrite{0x378, row.byte}, ColourChange{row.pressed, Yellow},
                                 ColourChange{Button::Command6, Green}});
    // From stopped, from each moving state (the same direction included: the
    // byte is written again), never with a stop byte in between.
    Rig stopped;
    EXPECT_EQ(stopped.CallsOf([](Controller& c) { c.Start(); },
                              [&](Controller& c) { c.Move(row.direction); }),
              expected);
    for (Direction before : {Direction::Forward, Direction::Back, Direction::Left, Direction::Right}) {
        Rig moving;
        EXPECT_EQ(moving.CallsOf(
                      [&](Controller& c) {
                          c.Start();
                          c.Move(before);
                      },
                      [&](Controller& c) { c.Move(row.direction); }),
                  expected)
            << "after moving in direction " << static_cast<int>(before);
        EXPECT_EQ(moving.controller.Komanda(), row.byte);
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, ControllerMove,
                         ::testing::Values(MoveRow{Direction::Forward, 15, Button::Command3},
                                           MoveRow{Direction::Back, 5, Button::Command4},
                                           MoveRow{Direction::Left, 14, Button::Command1},
                                           MoveRow{Direction::Right, 11, Button::Command2}),
                         [](const auto& info) { return "byte" + std::to_string(info.param.byte); });

TEST(ControllerStop, FromEveryStateWritesZeroAndPaintsStopRed)
{
    const CallLog expected =
        Then(ResetDirections(), {PortWrite{0x378, 0}, ColourChange{Button::Command6, Red}});
    Rig stopped;
    EXPECT_EQ(stopped.CallsOf([](Controller& c) { c.Start(); }, [](Controller& c) { c.Stop(); }),
              expected);
    for (Direction before : {Direction::Forward, Direction::Back, Direction::Left, Direction::Right}) {
        Rig moving;
        EXPECT_EQ(moving.CallsOf(
                      [&](Controller& c) {
                          c.Start();
                          c.Move(before);
                      },
                      [](Controller& c) { c.Stop(); }),
                  expected);
        EXPECT_EQ(moving.controller.Komanda(), 0);
    }
}

struct SoundRow {
    const char* state;
    void (*enter)(Controller&);
    std::uint8_t during;
    std::uint8_t after;
};

void PrintTo(const SoundRow& row, std::ostream* os)
{
    *os << row.state;
}

class ControllerSound : public ::testing::TestWithParam<SoundRow> {};

TEST_P(ControllerSound, RaisesD4For150MsOnTopOfTheCurrentCommand)
{
    const SoundRow row = GetParam();
    Rig rig;
    const CallLog calls = rig.CallsOf(
        [&](Controller& c) {
            c.Start();
            row.enter(c);
        },
        [](Controller& c) { c.Sound(); });
    // No direction or stop colour changes: only the sound button flashes.
    EXPECT_EQ(calls, (CallLog{PortWrite{0x378, row.during}, ColourChange{Button::Command5, Yellow},
                              WaitCall{150}, PortWrite{0x378, row.after},
                              ColourChange{Button::Command5, Blue}}));
    EXPECT_EQ(rig.controller.Komanda(), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    States, ControllerSound,
    ::testing::Values(SoundRow{"stopped", [](Controller&) {}, 16, 0},
                      SoundRow{"forward", [](Controller& c) { c.Move(Direction::Forward); }, 31, 15},
                      SoundRow{"back", [](Controller& c) { c.Move(Direction::Back); }, 21, 5},
                      SoundRow{"left", [](Controller& c) { c.Move(Direction::Left); }, 30, 14},
                      SoundRow{"right", [](Controller& c) { c.Move(Direction::Right); }, 27, 11}),
    [](const auto& info) { return std::string(info.param.state); });

TEST(ControllerSound, TwoPulsesInARowNeverStack)
{
    Rig rig;
    rig.controller.Start();
    rig.controller.Move(Direction::Forward);
    rig.log.clear();
    rig.controller.Sound();
    rig.controller.Sound();
    EXPECT_EQ(WritesIn(rig.log),
              (std::vector<PortWrite>{{0x378, 31}, {0x378, 15}, {0x378, 31}, {0x378, 15}}));
}

TEST(ControllerSelectPort, WritesNothingAndMovesOnlyLaterWrites)
{
    for (auto [address, value] : {std::pair{PortAddress::Lpt1, 0x378}, {PortAddress::Lpt2, 0x278},
                                  {PortAddress::Lpt3, 0x3BC}}) {
        Rig rig;
        const auto number = static_cast<std::int16_t>(value);
        const CallLog select = rig.CallsOf(
            [](Controller& c) {
                c.Start();
                c.Move(Direction::Forward);
            },
            [&](Controller& c) { c.SelectPort(address); });
        EXPECT_TRUE(select.empty());
        EXPECT_EQ(rig.controller.LPTadresa(), number);
        EXPECT_EQ(rig.controller.Komanda(), 15) << "the command byte survives a port change";

        rig.log.clear();
        rig.controller.Sound();
        rig.controller.Stop();
        rig.controller.Close();
        EXPECT_EQ(WritesIn(rig.log), (std::vector<PortWrite>{
                                         {number, 31}, {number, 15}, {number, 0}, {number, 0}}));
    }
}

TEST(ControllerClose, WritesZeroToTheSelectedPortOnlyAndChangesNothingElse)
{
    Rig rig;
    rig.controller.Start();
    rig.controller.Move(Direction::Left);
    rig.controller.SelectPort(PortAddress::Lpt2);
    rig.log.clear();
    rig.controller.Close();
    EXPECT_EQ(rig.log, (CallLog{PortWrite{0x278, 0}}));
    EXPECT_EQ(rig.controller.Komanda(), 14);
}

TEST(ControllerFailure, APortThatCannotBeReachedStopsTheOperationAtThatWrite)
{
    Rig rig;
    rig.port.onPortOut = [] { throw std::runtime_error("no port"); };
    EXPECT_THROW(rig.controller.Start(), std::runtime_error);
    // The stop button is not painted red as if the device had been stopped.
    EXPECT_EQ(rig.log, ResetDirections());
}

TEST(CommandByte, ARangeCheckGuardsTheConversionBackToAByte)
{
    EXPECT_EQ(CheckedCommandByte(0), 0);
    EXPECT_EQ(CheckedCommandByte(255), 255);
    EXPECT_THROW(CheckedCommandByte(256), std::overflow_error);
    EXPECT_THROW(CheckedCommandByte(-1), std::overflow_error);
}

} // namespace
} // namespace kovir
