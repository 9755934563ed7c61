// The one description of the window, checked once against the form's table;
// each front-end's tests then check what it made against the description.
#include "form/Form1Description.h"
#include "core/Controller.h"
#include "tests/support/CallLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovir {
namespace {

using K = ControlKind;
using C = Container;
constexpr FontDescription Dialog{};

struct Row {
    const char* name;
    int index;
    ControlKind kind;
    Container container;
    const char* caption;
    TwipRect place;
    ColourRef colour;
    FontDescription font;
    const char* accessibleName;
};

// clang-format off
const Row Table[] = {
    {"Label1", -1, K::Label, C::Form1, "UPRAVLJANJE KOVIROM", {600, 0, 4695, 615}, 0x00008000, {"Arial Black", 14.25, 700}, "UPRAVLJANJE KOVIROM"},
    {"Frame1", -1, K::Frame, C::Form1, "Bazna Adresa - Heksa", {120, 2520, 1815, 1215}, 0x00C000C0, Dialog, "Bazna Adresa - Heksa"},
    {"Option3", -1, K::OptionButton, C::Frame1, "Option3", {240, 840, 255, 195}, NoColour, Dialog, "LPT2: 278"},
    {"Option2", -1, K::OptionButton, C::Frame1, "Option2", {240, 600, 255, 195}, NoColour, Dialog, "LPT3: 3BC"},
    {"Option1", -1, K::OptionButton, C::Frame1, "Option1", {240, 360, 255, 195}, NoColour, Dialog, "LPT1: 378"},
    {"Label6", -1, K::Label, C::Frame1, "LPT3: 3BC", {600, 600, 1215, 255}, 0x00404080, Dialog, "LPT3: 3BC"},
    {"Label4", -1, K::Label, C::Frame1, "LPT2: 278", {600, 840, 975, 255}, 0x00404080, Dialog, "LPT2: 278"},
    {"Label3", -1, K::Label, C::Frame1, "LPT1: 378", {600, 360, 975, 255}, 0x00404080, Dialog, "LPT1: 378"},
    {"Label5", 1, K::Label, C::Form1, "Stop", {4920, 960, 855, 255}, 0x00004080, {"Arial Black", 9, 700}, "Stop"},
    {"Label5", 0, K::Label, C::Form1, "ZVUK", {720, 960, 855, 255}, 0x00004080, {"Arial Black", 9, 700}, "ZVUK"},
    {"Command1", -1, K::Button, C::Form1, "Levo", {1920, 1320, 1215, 495}, 0x00FFFFC0, {"Arial Black", 9.75, 400}, "Levo"},
    {"Command2", -1, K::Button, C::Form1, "Desno", {3360, 1320, 1215, 495}, 0x00FFFFC0, {"Arial Black", 9.75, 400}, "Desno"},
    {"Command3", -1, K::Button, C::Form1, "Napred", {2520, 720, 1215, 495}, 0x00FFFFC0, {"Arial Black", 9.75, 400}, "Napred"},
    {"Command4", -1, K::Button, C::Form1, "Nazad", {2520, 1920, 1215, 495}, 0x00FFFFC0, {"Arial Black", 9.75, 400}, "Nazad"},
    {"Command5", -1, K::Button, C::Form1, "", {840, 1320, 615, 615}, 0x00FF0000, Dialog, "ZVUK"},
    {"Command6", -1, K::Button, C::Form1, "", {4920, 1320, 615, 615}, 0x000000FF, Dialog, "Stop"},
};
// clang-format on

TEST(Form1Description, EveryControlInKeyboardOrderWithItsPlaceColourFontAndName)
{
    const FormDescription& form = Form1Description();
    EXPECT_EQ(form.caption, "Upravljanje kovirom");
    EXPECT_EQ(form.width, 5880);
    EXPECT_EQ(form.height, 3795);
    EXPECT_EQ(form.backColour, 0x0000C0C0U);
    ASSERT_EQ(form.controls.size(), std::size(Table));
    for (std::size_t i = 0; i < std::size(Table); ++i) {
        const Row& row = Table[i];
        const ControlDescription& d = form.controls[i];
        SCOPED_TRACE(::testing::Message() << "tab " << i << " " << row.name);
        EXPECT_EQ(d.name, row.name);
        EXPECT_EQ(d.index, row.index);
        EXPECT_EQ(d.kind, row.kind);
        EXPECT_EQ(d.container, row.container);
        EXPECT_EQ(d.caption, row.caption);
        EXPECT_EQ(
            std::vector<int>({d.place.left, d.place.top, d.place.width, d.place.height}),
            std::vector<int>({row.place.left, row.place.top, row.place.width, row.place.height}));
        EXPECT_EQ(d.colour, row.colour);
        EXPECT_EQ(d.font.face, row.font.face);
        EXPECT_DOUBLE_EQ(d.font.points, row.font.points);
        EXPECT_EQ(d.font.weight, row.font.weight);
        EXPECT_EQ(d.accessibleName, row.accessibleName);
        EXPECT_EQ(FindControl(row.name, row.index), &d);
    }
    // Frame1's children are placed from the frame's own corner.
    const TwipRect option2 = PlaceInForm(*FindControl("Option2"));
    EXPECT_EQ(std::vector<int>({option2.left, option2.top}),
              std::vector<int>({120 + 240, 2520 + 600}));
}

TEST(Form1Description, EachClickRunsItsOperationAndNothingElseIsWired)
{
    const struct {
        const char* name;
        std::vector<testing::PortWrite> writes; // after Start and Move(Forward)
    } rows[] = {
        {"Command1", {{0x378, 14}}},
        {"Command2", {{0x378, 11}}},
        {"Command3", {{0x378, 15}}},
        {"Command4", {{0x378, 5}}},
        {"Command5", {{0x378, 31}, {0x378, 15}}},
        {"Command6", {{0x378, 0}}},
        {"Option1", {{0x378, 0}}},
        {"Option2", {{0x3BC, 0}}},
        {"Option3", {{0x278, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testing::CallLog log;
        testing::RecordingPort port(log);
        testing::RecordingPanel panel(log);
        Controller controller(port, panel);
        controller.Start();
        controller.Move(Direction::Forward);
        log.clear();
        RunClick(controller, FindControl(row.name)->click);
        if (FindControl(row.name)->kind == ControlKind::OptionButton) {
            EXPECT_TRUE(log.empty()); // choosing a port writes nothing ...
            controller.Stop();        // ... the next command goes to it
        }
        EXPECT_EQ(testing::WritesIn(log), row.writes);
    }
    for (const ControlDescription& d : Form1Description().controls) {
        if (d.kind == ControlKind::Label || d.kind == ControlKind::Frame) {
            EXPECT_EQ(d.click.operation, ClickOperation::None) << d.name;
        }
    }
}

TEST(Form1Description, TheStartOptionIsTheOneWhoseClickSelectsThePortEveryRunStartsOn)
{
    EXPECT_EQ(StartOption().name, "Option1");
    testing::CallLog log;
    testing::RecordingPort port(log);
    testing::RecordingPanel panel(log);
    Controller controller(port, panel);
    controller.Start();
    const std::int16_t started = controller.LPTadresa();
    RunClick(controller, FindControl("Option2")->click);
    RunClick(controller, StartOption().click);
    EXPECT_EQ(controller.LPTadresa(), started);
}

} // namespace
} // namespace kovir
