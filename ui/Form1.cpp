#include "ui/Form1.h"

#include "ui/ColourButton.h"
#include "ui/Colours.h"
#include "ui/Fonts.h"
#include "ui/OptionTabStop.h"

#include <QCloseEvent>
#include <QPainter>
#include <QRadioButton>

namespace kovir {

namespace {
constexpr ColourRef FormBackColour = 0x0000C0C0; // olive
} // namespace

Form1::Form1(std::unique_ptr<PortOutput> port)
    : port_(std::move(port)), paintingPort_(*port_, *this), controller_(paintingPort_, *this),
      controls_(CreateForm1Controls(*this))
{
    setObjectName("Form1");
    setWindowTitle("Upravljanje kovirom");
    setFixedSize(Form1Width, Form1Height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FitDefaultFont(*this);
    new OptionTabStop({controls_.Option1, controls_.Option2, controls_.Option3}, this);
    controls_.Option1->setFocus();
    WireEvents();

    controller_.Start();
}

Form1::~Form1() = default;

void Form1::WireEvents()
{
    const auto onClick = [this](QAbstractButton* control, auto operation) {
        connect(control, &QAbstractButton::clicked, this, [this, operation] { operation(controller_); });
    };
    const auto& c = controls_;
    onClick(c.Command[0], [](Controller& k) { k.Move(Direction::Left); });
    onClick(c.Command[1], [](Controller& k) { k.Move(Direction::Right); });
    onClick(c.Command[2], [](Controller& k) { k.Move(Direction::Forward); });
    onClick(c.Command[3], [](Controller& k) { k.Move(Direction::Back); });
    onClick(c.Command[4], [](Controller& k) { k.Sound(); });
    onClick(c.Command[5], [](Controller& k) { k.Stop(); });
    onClick(c.Option1, [](Controller& k) { k.SelectPort(PortAddress::Lpt1); });
    onClick(c.Option2, [](Controller& k) { k.SelectPort(PortAddress::Lpt3); });
    onClick(c.Option3, [](Controller& k) { k.SelectPort(PortAddress::Lpt2); });
}

void Form1::SetBackColor(Button button, ColourRef colour)
{
    controls_.Command[static_cast<int>(button)]->SetFace(ToQColor(colour));
}

void Form1::Unload()
{
    if (!unloaded_) {
        unloaded_ = true;
        controller_.Close();
    }
}

void Form1::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), ToQColor(FormBackColour));
}

void Form1::closeEvent(QCloseEvent* event)
{
    Unload();
    event->accept();
}

} // namespace kovir
