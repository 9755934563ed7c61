// Each event of the window, made the way the operator makes it, on the real
// window over a recording port: what reaches the port, and what the buttons
// show afterwards.
#include "tests/ui/ShownForm.h"

#include <QAccessible>
#include <QApplication>

#include <gtest/gtest.h>

namespace kovir {
namespace {

using testing::CallLog;
using testing::PortWrite;
using testing::ShownForm;
using testing::WritesIn;

const QColor Cyan(0xC0, 0xFF, 0xFF), Yellow(0xFF, 0xF0, 0x0F), Green(0x0F, 0xF0, 0x0F),
    Red(0xFF, 0x00, 0x00), Blue(0x00, 0x00, 0xFF);

enum class How { Mouse, Keyboard };

void Activate(QAbstractButton& button, How how)
{
    if (how == How::Mouse) {
        QTest::mouseClick(&button, Qt::LeftButton);
    } else {
        button.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&button, Qt::Key_Space);
    }
}

struct ButtonRow {
    int command;
    std::vector<PortWrite> writes;
    std::array<QColor, 6> colours; // Command1..Command6 afterwards
};

TEST(Form1Wiring, LoadStopsTheDeviceOnLpt1BeforeTheWindowIsShown)
{
    ShownForm shown;
    EXPECT_EQ(WritesIn(shown.log), (std::vector<PortWrite>{{0x378, 0}}));
}

TEST(Form1Wiring, EachButtonRunsItsOneOperationByMouseAndByKeyboard)
{
    const ButtonRow rows[] = {
        {1, {{0x378, 14}}, {Yellow, Cyan, Cyan, Cyan, Blue, Green}},
        {2, {{0x378, 11}}, {Cyan, Yellow, Cyan, Cyan, Blue, Green}},
        {3, {{0x378, 15}}, {Cyan, Cyan, Yellow, Cyan, Blue, Green}},
        {4, {{0x378, 5}}, {Cyan, Cyan, Cyan, Yellow, Blue, Green}},
        {5, {{0x378, 16}, {0x378, 0}}, {Cyan, Cyan, Cyan, Cyan, Blue, Red}},
        {6, {{0x378, 0}}, {Cyan, Cyan, Cyan, Cyan, Blue, Red}},
    };
    for (How how : {How::Mouse, How::Keyboard}) {
        for (const ButtonRow& row : rows) {
            SCOPED_TRACE(::testing::Message() << "Command" << row.command
                                              << (how == How::Mouse ? " by mouse" : " by Space"));
            ShownForm shown;
            shown.log.clear();
            Activate(shown.Command(row.command), how);
            EXPECT_EQ(WritesIn(shown.log), row.writes);
            for (int b = 1; b <= 6; ++b) {
                EXPECT_EQ(shown.Command(b).Face(), row.colours[b - 1]) << "Command" << b;
            }
        }
    }
}

TEST(Form1Wiring, PressingShowsOnTheScreenByMouseAndByKeyboard)
{
    // The press and release looks are painted by the event loop, not inside
    // the click; they must still get there.
    const QColor raisedEdge(Qt::white), sunkenEdge(Qt::black);
    ShownForm shown;
    auto& napred = shown.Command(3);
    QTest::mousePress(&napred, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(shown.ScreenColourAt(napred, {0, 0}), sunkenEdge);
    QTest::mouseRelease(&napred, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(shown.ScreenColourAt(napred, {0, 0}), raisedEdge);
    EXPECT_EQ(shown.ScreenColourAt(napred, {5, 5}), Yellow);

    auto& nazad = shown.Command(4);
    nazad.setFocus(Qt::TabFocusReason);
    QTest::keyPress(&nazad, Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(shown.ScreenColourAt(nazad, {0, 0}), sunkenEdge);
    QTest::keyRelease(&nazad, Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(shown.ScreenColourAt(nazad, {0, 0}), raisedEdge);
    EXPECT_EQ(shown.ScreenColourAt(nazad, {5, 5}), Yellow);
    EXPECT_EQ(shown.ScreenColourAt(napred, {5, 5}), Cyan);
}

TEST(Form1Wiring, TheSoundButtonIsYellowOnTheScreenForTheWholePulse)
{
    ShownForm shown;
    QColor beforePaint, duringPulse;
    // Painted inside the port's own wait, not before it: the paint's time
    // is then part of the pulse, not added to it.
    shown.port->beforeMeanwhile = [&] {
        beforePaint = shown.ScreenColourAt(shown.Command(5), {5, 5});
    };
    shown.port->onWait = [&] { duringPulse = shown.ScreenColourAt(shown.Command(5), {5, 5}); };
    QTest::mouseClick(&shown.Command(5), Qt::LeftButton);
    EXPECT_EQ(beforePaint, Blue);
    EXPECT_EQ(duringPulse, Yellow);
    QApplication::processEvents();
    EXPECT_EQ(shown.ScreenColourAt(shown.Command(5), {5, 5}), Blue);
}

struct OptionRow {
    const char* option;
    std::int16_t port;
};

TEST(Form1Wiring, EachOptionChoosesItsPortForTheNextCommand)
{
    const OptionRow rows[] = {{"Option1", 0x378}, {"Option2", 0x3BC}, {"Option3", 0x278}};
    for (const OptionRow& row : rows) {
        SCOPED_TRACE(row.option);
        ShownForm shown;
        shown.log.clear();
        auto& option = *shown.form->findChild<QRadioButton*>(row.option);
        QTest::mouseClick(&option, Qt::LeftButton, {}, QPoint(6, option.height() / 2));
        EXPECT_TRUE(option.isChecked());
        EXPECT_TRUE(shown.log.empty()) << "choosing a port writes nothing";
        QTest::mouseClick(&shown.Command(3), Qt::LeftButton);
        EXPECT_EQ(WritesIn(shown.log), (std::vector<PortWrite>{{row.port, 15}}));
    }
}

TEST(Form1Wiring, AnOptionSelectedByAScreenReaderChoosesItsPortToo)
{
    // What a screen reader's "Toggle" does: the option's accessible action,
    // which checks it without a click.
    ShownForm shown;
    auto& lpt3 = *shown.form->Controls().Option2;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&lpt3);
    ASSERT_NE(accessible, nullptr);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    shown.log.clear();
    actions->doAction(QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(lpt3.isChecked());
    QTest::mouseClick(&shown.Command(3), Qt::LeftButton);
    EXPECT_EQ(WritesIn(shown.log), (std::vector<PortWrite>{{0x3BC, 15}}));
}

TEST(Form1Wiring, ArrowKeysMoveWithinTheOptionsAndSelect)
{
    ShownForm shown;
    const auto& c = shown.form->Controls();
    ASSERT_EQ(QApplication::focusWidget(), c.Option1) << "the window opens on the selected option";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), c.Option2);
    EXPECT_TRUE(c.Option2->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), c.Option3);
    EXPECT_TRUE(c.Option3->isChecked());
    shown.log.clear();
    QTest::mouseClick(&shown.Command(4), Qt::LeftButton);
    EXPECT_EQ(WritesIn(shown.log), (std::vector<PortWrite>{{0x278, 5}}));
}

std::vector<QString> TabWalk(int presses, Qt::KeyboardModifiers modifiers = {})
{
    std::vector<QString> visited;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        visited.push_back(QApplication::focusWidget()->objectName());
    }
    return visited;
}

TEST(Form1Wiring, TabVisitsTheOptionGroupOnceThenTheButtonsInOrder)
{
    ShownForm shown;
    EXPECT_EQ(TabWalk(7), (std::vector<QString>{"Command1", "Command2", "Command3", "Command4",
                                                "Command5", "Command6", "Option1"}));
    EXPECT_EQ(TabWalk(2, Qt::ShiftModifier), (std::vector<QString>{"Command6", "Command5"}));
}

TEST(Form1Wiring, TheGroupsTabStopIsTheSelectedOption)
{
    ShownForm shown;
    const auto& c = shown.form->Controls();
    // A press on Option3 dragged off it focuses Option3 but selects nothing.
    QTest::mousePress(c.Option3, Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseRelease(c.Option3, Qt::LeftButton, {}, QPoint(300, 6));
    ASSERT_EQ(QApplication::focusWidget(), c.Option3);
    ASSERT_TRUE(c.Option1->isChecked());
    EXPECT_EQ(TabWalk(1), (std::vector<QString>{"Command1"}));
    EXPECT_EQ(TabWalk(1, Qt::ShiftModifier), (std::vector<QString>{"Option1"}));

    QTest::keyClick(c.Option1, Qt::Key_Down); // selects Option2
    EXPECT_EQ(TabWalk(6), (std::vector<QString>{"Command1", "Command2", "Command3", "Command4",
                                                "Command5", "Command6"}));
    EXPECT_EQ(TabWalk(1), (std::vector<QString>{"Option2"}));
}

TEST(Form1Wiring, EnterDoesNothingAndEscapeStopsWhereverTheFocusIs)
{
    ShownForm shown;
    for (int command : {3, 6}) {
        shown.Command(command).setFocus(Qt::TabFocusReason);
        shown.log.clear();
        for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(&shown.Command(command), key);
        }
        EXPECT_TRUE(shown.log.empty()) << "Command" << command;
        QTest::keyClick(&shown.Command(command), Qt::Key_Escape);
        EXPECT_EQ(WritesIn(shown.log), (std::vector<PortWrite>{{0x378, 0}})) << "Command" << command;
        EXPECT_TRUE(shown.form->isVisible());
    }
}

TEST(Form1Wiring, ClosingStopsTheSelectedPortThenEveryPortLeftDrivingOnce)
{
    struct Row {
        std::vector<int> commandsOnLpt1; // before LPT2 is chosen
        CallLog writesAtClose;
    } rows[] = {
        {{3}, {PortWrite{0x278, 0}, PortWrite{0x378, 0}}}, // chosen away from while driving
        {{3, 6}, {PortWrite{0x278, 0}}},                  // stopped first: left at 0
        {{}, {PortWrite{0x278, 0}}},
    };
    for (const Row& row : rows) {
        ShownForm shown;
        for (const int command : row.commandsOnLpt1) {
            QTest::mouseClick(&shown.Command(command), Qt::LeftButton);
        }
        auto& lpt2 = *shown.form->Controls().Option3;
        QTest::mouseClick(&lpt2, Qt::LeftButton, {}, QPoint(6, 6));
        shown.log.clear();
        EXPECT_TRUE(shown.form->close());
        EXPECT_FALSE(shown.form->isVisible());
        shown.form->Session().Unload(); // a later exit path must not write again
        EXPECT_EQ(shown.log, row.writesAtClose) << row.commandsOnLpt1.size() << " commands";
    }
}

TEST(Form1Wiring, AFailedWriteIsKeptForTheTopLevelAndNothingIsWrittenAfterIt)
{
    // Thrown through the toolkit's signal code, it would be undefined behaviour.
    ShownForm shown;
    shown.log.clear();
    shown.port->onPortOut = [] { throw std::runtime_error("Paralelni port 0x378 nije dostupan."); };
    EXPECT_NO_THROW(QTest::mouseClick(&shown.Command(3), Qt::LeftButton));
    shown.port->onPortOut = nullptr;
    QTest::mouseClick(&shown.Command(1), Qt::LeftButton); // already queued behind the failure
    EXPECT_TRUE(shown.form->close());
    shown.form->Session().Unload();
    EXPECT_TRUE(WritesIn(shown.log).empty());
    const std::exception_ptr failure = shown.form->Session().TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), std::runtime_error);
}

} // namespace
} // namespace kovir
