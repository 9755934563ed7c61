#include "ui/qt/Form1.h"

#include "form/Form1Description.h"
#include "ui/qt/ColourButton.h"
#include "ui/qt/Colours.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/OptionTabStop.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>

namespace kovir {

Form1::Form1(std::unique_ptr<PortOutput> port)
    : port_(std::move(port)), paintingPort_(*port_, *this), controller_(paintingPort_, *this),
      controls_(CreateForm1Controls(*this))
{
    setObjectName("Form1");
    setWindowTitle(Text(Form1Description().caption));
    setFixedSize(Form1ClientSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
    new OptionTabStop({controls_.Option1, controls_.Option2, controls_.Option3}, this);
    findChild<QRadioButton*>(Text(StartOption().name))->setFocus();
    WireEvents();

    controller_.Start();
    // The first write found the PC's ports: the labels name the ones driven,
    // and the dialog font is fitted to those texts.
    NameDrivenPorts();
    FitDefaultFont(*this);
}

void Form1::NameDrivenPorts()
{
    for (const ControlDescription& d : Form1Description().controls) {
        const std::string caption = CaptionInRun(d, paintingPort_);
        const std::string accessibleName = AccessibleNameInRun(d, paintingPort_);
        if (caption == d.caption && accessibleName == d.accessibleName) {
            continue;
        }
        auto* control = findChild<QWidget*>(Text(d.name));
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(Text(caption));
        }
        control->setAccessibleName(Text(accessibleName));
    }
}

Form1::~Form1() = default;

template <typename Work> void Form1::Handle(Work&& work)
{
    if (failure_) {
        return;
    }
    try {
        work();
    } catch (...) {
        failure_ = std::current_exception();
        QCoreApplication::exit(1);
    }
}

void Form1::WireEvents()
{
    for (const ControlDescription& d : Form1Description().controls) {
        if (d.click.operation == ClickOperation::None) {
            continue;
        }
        const ClickAction click = d.click;
        auto* control = findChild<QAbstractButton*>(Text(d.name));
        if (d.kind == ControlKind::OptionButton) {
            // Whatever selects an option (mouse, keys, an assistive
            // technology's Toggle) selects its port: the port follows the
            // checked state, not the click that usually changes it.
            connect(control, &QAbstractButton::toggled, this, [this, click](bool checked) {
                if (checked) {
                    Handle([this, &click] { RunClick(controller_, click); });
                }
            });
        } else {
            connect(control, &QAbstractButton::clicked, this,
                    [this, click] { Handle([this, &click] { RunClick(controller_, click); }); });
        }
    }
}

void Form1::SetBackColor(Button button, ColourRef colour)
{
    controls_.Command[static_cast<int>(button)]->SetFace(ToQColor(colour));
}

void Form1::Unload()
{
    // After a failed write nothing more goes to the port.
    if (!unloaded_ && !failure_) {
        unloaded_ = true;
        controller_.Close();
    }
}

void Form1::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), ToQColor(Form1Description().backColour));
}

void Form1::closeEvent(QCloseEvent* event)
{
    Handle([this] { Unload(); });
    event->accept();
}

} // namespace kovir
