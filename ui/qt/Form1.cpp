#include "ui/qt/Form1.h"

#include "form/Form1Description.h"
#include "form/Form1Keys.h"
#include "ui/qt/ColourButton.h"
#include "ui/qt/Colours.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/OptionTabStop.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QKeyEvent>

namespace kovir {

Form1::Form1(std::unique_ptr<PortOutput> port)
    : session_(std::move(port), *this,
               {// What changed in the window reaches the screen inside the wait.
                [this] { QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest); },
                [] { QCoreApplication::exit(1); }}),
      controls_(CreateForm1Controls(*this))
{
    setObjectName("Form1");
    setWindowTitle(Text(Form1Description().caption));
    setFixedSize(Form1ClientSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
    new OptionTabStop({controls_.Option1, controls_.Option2, controls_.Option3}, this);
    findChild<QRadioButton*>(Text(StartOption().name))->setFocus();
    WireEvents();
    WireKeys();

    session_.Load();
    // The first write found the PC's ports: the labels name the ones driven,
    // and the dialog font is fitted to those texts.
    NameDrivenPorts();
    FitDefaultFont(*this);
}

void Form1::NameDrivenPorts()
{
    for (const ControlDescription& d : Form1Description().controls) {
        const std::string caption = CaptionInRun(d, session_.Port());
        const std::string accessibleName = AccessibleNameInRun(d, session_.Port());
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
                    session_.Click(click);
                }
            });
        } else {
            connect(control, &QAbstractButton::clicked, this, [this, click] { session_.Click(click); });
        }
    }
}

namespace {

// The button a key press presses, if any: by the letter the key types (Qt
// gives a letter as its capital's code), whatever the layout. The keypad's
// digits only as such (Num Lock on): its arrows stay arrows.
const ControlDescription* ButtonFor(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return nullptr;
    }
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        return key >= Qt::Key_0 && key <= Qt::Key_9 ? ButtonForKeypad(static_cast<char>(key))
                                                    : nullptr;
    }
    if (key == Qt::Key_Escape) {
        return ButtonForEscape();
    }
    return key > 0 && key < 0x10000 ? ButtonForLetter(static_cast<char32_t>(key)) : nullptr;
}

} // namespace

void Form1::WireKeys()
{
    for (const ControlKeys& keys : Form1Keys()) {
        auto* button = findChild<QAbstractButton*>(Text(keys.control));
        const QString hint = Text(KeyHint(*FindControl(keys.control)));
        button->setToolTip(hint);
        button->setAccessibleDescription(hint);
    }
    // Seen before whichever control has the focus gets it. (Qt's shortcuts
    // cannot tell the keypad's digits from the others.)
    QCoreApplication::instance()->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto& press = static_cast<const QKeyEvent&>(*event);
    const ControlDescription* button = ButtonFor(press);
    if (!button) {
        return QWidget::eventFilter(watched, event);
    }
    // A held key presses once.
    if (!press.isAutoRepeat()) {
        findChild<QAbstractButton*>(Text(button->name))->click();
    }
    return true;
}

void Form1::SetBackColor(Button button, ColourRef colour)
{
    controls_.Command[static_cast<int>(button)]->SetFace(ToQColor(colour));
}

void Form1::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), ToQColor(Form1Description().backColour));
}

void Form1::closeEvent(QCloseEvent* event)
{
    session_.Handle([this] { session_.Unload(); });
    event->accept();
}

} // namespace kovir
