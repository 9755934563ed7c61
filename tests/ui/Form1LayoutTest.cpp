// The window as the operator first sees it: every control's kind, place,
// caption, colour and font, and the colours actually on the screen.
#include "form/Form1Description.h"
#include "tests/ui/ShownForm.h"
#include "ui/qt/FrameBox.h"
#include "ui/qt/icon/IconPixels.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kovir {
namespace {

using testing::ShownForm;

enum class Kind { Label, Frame, Option, Button };

struct ControlRow {
    const char* name;
    int index; // Label5's element; -1 elsewhere
    Kind kind;
    const char* container;
    const char* caption;
    int left, top, width, height; // twips
    ColourRef colour;             // text colour of labels and the frame, face of buttons
};

// The form's controls in keyboard order, as the shared description has them
// (which its own test checks against the form's table).
std::vector<ControlRow> Rows()
{
    std::vector<ControlRow> rows;
    for (const ControlDescription& d : Form1Description().controls) {
        const Kind kind = d.kind == ControlKind::Label         ? Kind::Label
                          : d.kind == ControlKind::Frame        ? Kind::Frame
                          : d.kind == ControlKind::OptionButton ? Kind::Option
                                                                : Kind::Button;
        rows.push_back({d.name.data(), d.index, kind, d.container == Container::Frame1 ? "Frame1" : "Form1",
                        d.caption.data(), d.place.left, d.place.top, d.place.width, d.place.height,
                        d.colour});
    }
    return rows;
}

QColor Rgb(ColourRef c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QWidget* Find(const Form1& form, const ControlRow& row)
{
    for (QWidget* w : form.findChildren<QWidget*>(row.name)) {
        if (row.index < 0 || w->property("index").toInt() == row.index) {
            return w;
        }
    }
    return nullptr;
}

QString CaptionOf(const QWidget& w)
{
    if (const auto* label = qobject_cast<const QLabel*>(&w)) {
        return label->text();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(&w)) {
        return frame->title();
    }
    return qobject_cast<const QAbstractButton*>(&w)->text();
}

bool IsKind(const QWidget& w, Kind kind)
{
    switch (kind) {
    case Kind::Label:
        return qobject_cast<const QLabel*>(&w) != nullptr;
    case Kind::Frame:
        return qobject_cast<const QGroupBox*>(&w) != nullptr;
    case Kind::Option:
        return qobject_cast<const QRadioButton*>(&w) != nullptr;
    case Kind::Button:
        break;
    }
    return dynamic_cast<const ColourButton*>(&w) != nullptr;
}

TEST(Form1Layout, EveryControlHasItsKindContainerCaptionAndPlace)
{
    ShownForm shown;
    EXPECT_EQ(shown.form->findChildren<QWidget*>(Qt::FindChildrenRecursively).size(), 16);
    for (const ControlRow& row : Rows()) {
        SCOPED_TRACE(::testing::Message() << row.name << " " << row.index);
        const QWidget* w = Find(*shown.form, row);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(IsKind(*w, row.kind));
        EXPECT_EQ(w->parentWidget()->objectName(), row.container);
        EXPECT_EQ(CaptionOf(*w), row.caption);
        EXPECT_EQ(w->geometry(),
                  QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
        if (row.kind == Kind::Label || row.kind == Kind::Frame) {
            EXPECT_EQ(w->palette().color(QPalette::WindowText), Rgb(row.colour));
            EXPECT_TRUE(w->autoFillBackground()) << "labels and the frame are opaque";
            EXPECT_EQ(w->palette().color(QPalette::Window),
                      QApplication::palette().color(QPalette::Window));
        }
        if (row.kind == Kind::Label) {
            const auto* label = qobject_cast<const QLabel*>(w);
            EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
            EXPECT_EQ(label->frameShape(), QFrame::NoFrame);
        }
    }
}

TEST(Form1Layout, TheWindowIsFixedOliveAndCaptioned)
{
    ShownForm shown;
    EXPECT_EQ(shown.form->windowTitle(), "Upravljanje kovirom");
    EXPECT_EQ(shown.form->size(), QSize(392, 253));
    EXPECT_EQ(shown.form->minimumSize(), QSize(392, 253));
    EXPECT_EQ(shown.form->maximumSize(), QSize(392, 253));
    EXPECT_EQ(shown.Screen().size(), QSize(392, 253));
    // Background, read from the screen at corners no control covers.
    for (QPoint p : {QPoint(2, 2), QPoint(389, 250), QPoint(200, 240), QPoint(5, 100)}) {
        EXPECT_EQ(shown.Screen().pixelColor(p), QColor(0xC0, 0xC0, 0x00)) << p.x() << "," << p.y();
    }
}

TEST(Form1Layout, TheFirstPictureShowsTheButtonsInTheirStartColours)
{
    ShownForm shown;
    for (const ControlRow& row : Rows()) {
        if (row.kind != Kind::Button) {
            continue;
        }
        const QWidget& w = *Find(*shown.form, row);
        // Inside the bevel, clear of a centred caption.
        for (QPoint p : {QPoint(5, 5), QPoint(w.width() - 6, w.height() - 6)}) {
            EXPECT_EQ(shown.ScreenColourAt(w, p), Rgb(row.colour)) << row.name;
        }
    }
}

struct FontRow {
    const char* name;
    qreal pointSize;
    int weight;
};

TEST(Form1Layout, ArialBlackAtItsSizesAndWeights)
{
    ShownForm shown;
    const FontRow rows[] = {{"Label1", 14.25, 700}, {"Label5", 9, 700},     {"Command1", 9.75, 400},
                            {"Command2", 9.75, 400}, {"Command3", 9.75, 400}, {"Command4", 9.75, 400}};
    for (const FontRow& row : rows) {
        for (const QWidget* w : shown.form->findChildren<QWidget*>(row.name)) {
            const QFont& f = w->font();
            EXPECT_EQ(f.family(), "Arial Black") << row.name;
            EXPECT_DOUBLE_EQ(f.pointSizeF(), row.pointSize) << row.name;
            EXPECT_EQ(f.weight(), row.weight) << row.name;
            EXPECT_FALSE(f.italic() || f.underline() || f.strikeOut()) << row.name;
            // What is really drawn is a heavy face, not a regular fallback.
            EXPECT_TRUE(QFontInfo(f).family().contains("Arial Black") ||
                        QFontInfo(f).styleName().contains("Black"))
                << row.name << " is drawn in " << QFontInfo(f).family().toStdString();
        }
    }
}

// The controls whose caption does not fit inside them in their current font.
std::vector<std::string> CutCaptions(const Form1& form)
{
    std::vector<std::string> cut;
    for (const ControlRow& row : Rows()) {
        if (row.kind == Kind::Option) {
            continue; // hidden on purpose, below
        }
        const QWidget& w = *Find(form, row);
        const QFontMetrics metrics(w.font());
        const auto* box = qobject_cast<const QGroupBox*>(&w);
        const auto* label = qobject_cast<const QLabel*>(&w);
        const QString caption = box ? box->title() : label ? label->text() : QString(row.caption);
        const int width = metrics.horizontalAdvance(caption);
        const bool fits = row.kind == Kind::Frame
                              ? FrameBox::TitleIndent + width + FrameBox::TitleIndent <= w.width()
                              : width <= w.width() && metrics.height() <= w.height();
        if (!fits) {
            cut.push_back(row.name);
        }
    }
    return cut;
}

TEST(Form1Layout, EveryCaptionFitsItsControl)
{
    ShownForm shown;
    EXPECT_EQ(CutCaptions(*shown.form), std::vector<std::string>{});
    // The frame's title is drawn whole: the frame painted with and without
    // its last letter differs at that letter.
    auto& frame = *shown.form->findChild<QGroupBox*>("Frame1");
    const QImage whole = frame.grab().toImage();
    frame.setTitle("Bazna Adresa - Heks");
    const QImage shorter = frame.grab().toImage();
    frame.setTitle("Bazna Adresa - Heksa");
    EXPECT_NE(whole, shorter);
}

TEST(Form1Layout, APortsLabelNamesThePortItsOptionDrivesAndFits)
{
    const std::map<std::int16_t, std::string> pcs[] = {
        {{0x378, "D010"}},
        {{0x378, "DDDD"}, {0x278, "E010"}, {0x3BC, "DCBA"}},
        {{0x278, "USB"}},
        {{0x378, "USB WM"}, {0x278, "USB BJ"}}, // boards told apart
    };
    for (const auto& drives : pcs) {
        ShownForm shown(drives);
        const auto named = [&](const char* lpt, std::int16_t address) {
            const auto driven = drives.find(address);
            return QString(lpt) + ": " +
                   (driven != drives.end() ? QString::fromStdString(driven->second)
                                           : QString::number(address, 16).toUpper());
        };
        const std::pair<const char*, const char*> rows[] = {
            {"Label3", "Option1"}, {"Label4", "Option3"}, {"Label6", "Option2"}};
        const std::int16_t addresses[] = {0x378, 0x278, 0x3BC};
        const char* lpts[] = {"LPT1", "LPT2", "LPT3"};
        for (std::size_t i = 0; i < 3; ++i) {
            const QString expected = named(lpts[i], addresses[i]);
            SCOPED_TRACE(expected.toStdString());
            EXPECT_EQ(shown.form->findChild<QLabel*>(rows[i].first)->text(), expected);
            QWidget* option = shown.form->findChild<QWidget*>(rows[i].second);
            EXPECT_EQ(QAccessible::queryAccessibleInterface(option)->text(QAccessible::Name),
                      expected);
        }
        EXPECT_EQ(CutCaptions(*shown.form), std::vector<std::string>{});
    }
}

TEST(Form1Layout, TheDefaultFontIsNoSmallerThanTheCaptionsNeed)
{
    ShownForm shown;
    QFont larger = shown.form->font();
    if (larger.pointSizeF() >= QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSizeF()) {
        GTEST_SKIP() << "the platform's own size fits";
    }
    larger.setPointSizeF(larger.pointSizeF() + 0.25);
    shown.form->setFont(larger);
    EXPECT_NE(CutCaptions(*shown.form), std::vector<std::string>{});
}

TEST(Form1Layout, OptionCaptionsExistButAreNotSeen)
{
    ShownForm shown;
    for (const char* name : {"Option1", "Option2", "Option3"}) {
        auto& option = *shown.form->findChild<QRadioButton*>(name);
        EXPECT_EQ(option.text(), name);
        const QImage withCaption = option.grab().toImage();
        option.setText("");
        const QImage withoutCaption = option.grab().toImage();
        option.setText(name);
        EXPECT_EQ(withCaption, withoutCaption) << name;
    }
    EXPECT_TRUE(shown.form->Controls().Option1->isChecked());
    EXPECT_FALSE(shown.form->Controls().Option2->isChecked());
    EXPECT_FALSE(shown.form->Controls().Option3->isChecked());
}

TEST(Form1Layout, ScreenReadersHearEveryButtonsAndOptionsName)
{
    ShownForm shown;
    const std::pair<const char*, const char*> names[] = {
        {"Command1", "Levo"},      {"Command2", "Desno"},     {"Command3", "Napred"},
        {"Command4", "Nazad"},     {"Command5", "ZVUK"},      {"Command6", "Stop"},
        {"Option1", "LPT1: 378"}, {"Option2", "LPT3: 3BC"}, {"Option3", "LPT2: 278"}};
    for (auto [control, name] : names) {
        QWidget* w = shown.form->findChild<QWidget*>(control);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(accessible, nullptr) << control;
        EXPECT_EQ(accessible->text(QAccessible::Name), name) << control;
    }
}

TEST(Form1Layout, EachButtonsTooltipAndDescriptionNameItsKey)
{
    ShownForm shown;
    const std::pair<const char*, const char*> hints[] = {
        {"Command1", "Levo (A)"}, {"Command2", "Desno (D)"}, {"Command3", "Napred (W)"},
        {"Command4", "Nazad (S)"}, {"Command5", "ZVUK (Z)"},  {"Command6", "Stop (Esc)"}};
    for (auto [control, hint] : hints) {
        QWidget* w = shown.form->findChild<QWidget*>(control);
        EXPECT_EQ(w->toolTip(), hint) << control;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description), hint)
            << control;
    }
}

TEST(ProgramIcon, TheCompiledInPixelsAreThoseOfTheInstalledIcon)
{
    const auto sizes = ProgramIconPixels();
    ASSERT_EQ(sizes.size(), 4U);
    for (const IconPixels& size : sizes) {
        SCOPED_TRACE(size.width);
        const QImage installed =
            QImage(QStringLiteral(KOVIR_ICON_FOLDER "/rs.kovir.Kovir-%1.png").arg(size.width))
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage compiled(reinterpret_cast<const uchar*>(size.pixels), size.width, size.height,
                              QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(compiled, installed);
    }
}

} // namespace
} // namespace kovir
