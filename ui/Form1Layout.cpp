#include "ui/Form1Layout.h"

#include "core/ColourRef.h"
#include "ui/ColourButton.h"
#include "ui/Colours.h"
#include "ui/Fonts.h"
#include "ui/FrameBox.h"

#include <QLabel>
#include <QRadioButton>

namespace kovir {

namespace {

// The form is laid out in twips; at 96 dpi fifteen of them make a pixel, and
// Qt's own scaling serves other displays.
QRect Twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

void SetTextColour(QWidget& w, ColourRef colour)
{
    QPalette palette = w.palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    w.setPalette(palette);
}

// Labels keep the dialog face colour behind their text and do not grow with it.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect place,
                  ColourRef textColour)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    SetTextColour(*label, textColour);
    return label;
}

QRadioButton* MakeOption(QWidget* parent, const char* name, QRect place)
{
    // The caption is there, but the control is only as wide as its mark; the
    // label beside it names the port.
    auto* option = new QRadioButton(name, parent);
    option->setObjectName(name);
    option->setGeometry(place);
    return option;
}

ColourButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect place,
                         ColourRef face, const QString& accessibleName)
{
    auto* button = new ColourButton(caption, ToQColor(face), parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAccessibleName(accessibleName);
    return button;
}

} // namespace

Form1Controls CreateForm1Controls(QWidget& form)
{
    // Created in keyboard order, so Qt's focus chain is the form's tab order.
    Form1Controls c{};
    c.Label1 = MakeLabel(&form, "Label1", "UPRAVLJANJE KOVIROM", Twips(600, 0, 4695, 615),
                         0x00008000);
    c.Label1->setFont(ArialBlack(14.25, QFont::Bold));

    c.Frame1 = new FrameBox("Bazna Adresa - Heksa", &form);
    c.Frame1->setObjectName("Frame1");
    c.Frame1->setGeometry(Twips(120, 2520, 1815, 1215));
    SetTextColour(*c.Frame1, 0x00C000C0);

    c.Option3 = MakeOption(c.Frame1, "Option3", Twips(240, 840, 255, 195));
    c.Option2 = MakeOption(c.Frame1, "Option2", Twips(240, 600, 255, 195));
    c.Option1 = MakeOption(c.Frame1, "Option1", Twips(240, 360, 255, 195));
    c.Option1->setChecked(true);
    c.Option1->setAccessibleName("LPT1: 378");
    c.Option2->setAccessibleName("LPT3: 3BC");
    c.Option3->setAccessibleName("LPT2: 278");

    c.Label6 = MakeLabel(c.Frame1, "Label6", "LPT3: 3BC", Twips(600, 600, 1215, 255), 0x00404080);
    c.Label4 = MakeLabel(c.Frame1, "Label4", "LPT2: 278", Twips(600, 840, 975, 255), 0x00404080);
    c.Label3 = MakeLabel(c.Frame1, "Label3", "LPT1: 378", Twips(600, 360, 975, 255), 0x00404080);

    // Label5 is one name for two labels, told apart by their index.
    c.Label5[1] = MakeLabel(&form, "Label5", "Stop", Twips(4920, 960, 855, 255), 0x00004080);
    c.Label5[0] = MakeLabel(&form, "Label5", "ZVUK", Twips(720, 960, 855, 255), 0x00004080);
    for (int i = 0; i < 2; ++i) {
        c.Label5[i]->setProperty("index", i);
        c.Label5[i]->setFont(ArialBlack(9, QFont::Bold));
    }

    const QFont direction = ArialBlack(9.75, QFont::Normal);
    c.Command[0] = MakeButton(&form, "Command1", "Levo", Twips(1920, 1320, 1215, 495),
                              colour::DirectionAtRest, "Levo");
    c.Command[1] = MakeButton(&form, "Command2", "Desno", Twips(3360, 1320, 1215, 495),
                              colour::DirectionAtRest, "Desno");
    c.Command[2] = MakeButton(&form, "Command3", "Napred", Twips(2520, 720, 1215, 495),
                              colour::DirectionAtRest, "Napred");
    c.Command[3] = MakeButton(&form, "Command4", "Nazad", Twips(2520, 1920, 1215, 495),
                              colour::DirectionAtRest, "Nazad");
    for (int i = 0; i < 4; ++i) {
        c.Command[i]->setFont(direction);
    }
    c.Command[4] = MakeButton(&form, "Command5", "", Twips(840, 1320, 615, 615),
                              colour::SoundAtRest, "ZVUK");
    c.Command[5] = MakeButton(&form, "Command6", "", Twips(4920, 1320, 615, 615),
                              colour::StopWhenStopped, "Stop");
    return c;
}

} // namespace kovir
