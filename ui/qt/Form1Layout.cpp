#include "ui/qt/Form1Layout.h"

#include "core/ColourRef.h"
#include "form/Form1Description.h"
#include "ui/qt/ColourButton.h"
#include "ui/qt/Colours.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/FrameBox.h"

#include <QLabel>
#include <QRadioButton>

namespace kovir {

namespace {

// The form is laid out in twips; at 96 dpi fifteen of them make a pixel, and
// Qt's own scaling serves other displays.
QRect Pixels(const TwipRect& r)
{
    return {r.left / 15, r.top / 15, r.width / 15, r.height / 15};
}

void SetTextColour(QWidget& w, ColourRef colour)
{
    QPalette palette = w.palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    w.setPalette(palette);
}

// Labels keep the dialog face colour behind their text and do not grow with it.
QLabel* MakeLabel(QWidget* parent, const ControlDescription& d)
{
    auto* label = new QLabel(Text(d.caption), parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    SetTextColour(*label, d.colour);
    return label;
}

QWidget* Make(QWidget* parent, const ControlDescription& d)
{
    switch (d.kind) {
    case ControlKind::Label:
        return MakeLabel(parent, d);
    case ControlKind::Frame: {
        auto* frame = new FrameBox(Text(d.caption), parent);
        SetTextColour(*frame, d.colour);
        return frame;
    }
    case ControlKind::OptionButton:
        // The caption is there, but the control is only as wide as its mark;
        // the label beside it names the port.
        return new QRadioButton(Text(d.caption), parent);
    case ControlKind::Button:
        break;
    }
    return new ColourButton(Text(d.caption), ToQColor(d.colour), parent);
}

template <typename Control> Control* As(QWidget* w)
{
    return static_cast<Control*>(w);
}

} // namespace

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QSize Form1ClientSize()
{
    const FormDescription& form = Form1Description();
    return Pixels({0, 0, form.width, form.height}).size();
}

Form1Controls CreateForm1Controls(QWidget& form)
{
    // Created in keyboard order, so Qt's focus chain is the form's tab order.
    Form1Controls c{};
    for (const ControlDescription& d : Form1Description().controls) {
        QWidget* parent =
            d.container == Container::Frame1 ? static_cast<QWidget*>(c.Frame1) : &form;
        QWidget* w = Make(parent, d);
        w->setObjectName(Text(d.name));
        w->setGeometry(Pixels(d.place));
        w->setAccessibleName(Text(d.accessibleName));
        if (!d.font.face.empty()) {
            w->setFont(
                ArialBlack(d.font.points, d.font.weight >= 700 ? QFont::Bold : QFont::Normal));
        }
        if (d.index >= 0) {
            w->setProperty("index", d.index); // Label5 is one name for two labels
        }

        if (d.button) {
            c.Command[static_cast<int>(*d.button)] = As<ColourButton>(w);
        } else if (d.name == "Label5") {
            c.Label5[static_cast<std::size_t>(d.index)] = As<QLabel>(w);
        } else if (d.name == "Frame1") {
            c.Frame1 = As<FrameBox>(w);
        } else if (d.name == "Label1") {
            c.Label1 = As<QLabel>(w);
        } else if (d.name == "Label3") {
            c.Label3 = As<QLabel>(w);
        } else if (d.name == "Label4") {
            c.Label4 = As<QLabel>(w);
        } else if (d.name == "Label6") {
            c.Label6 = As<QLabel>(w);
        } else if (d.name == "Option1") {
            c.Option1 = As<QRadioButton>(w);
        } else if (d.name == "Option2") {
            c.Option2 = As<QRadioButton>(w);
        } else if (d.name == "Option3") {
            c.Option3 = As<QRadioButton>(w);
        }
    }
    form.findChild<QRadioButton*>(Text(StartOption().name))->setChecked(true);
    return c;
}

} // namespace kovir
