#include "ui/qt/OptionTabStop.h"

#include <QEvent>
#include <QRadioButton>

namespace kovir {

OptionTabStop::OptionTabStop(QList<QRadioButton*> options, QObject* parent)
    : QObject(parent), options_(std::move(options))
{
    for (QRadioButton* option : options_) {
        option->installEventFilter(this);
        connect(option, &QRadioButton::toggled, this, [this] { PlaceOnSelected(); });
    }
    PlaceOnSelected();
}

bool OptionTabStop::eventFilter(QObject*, QEvent* event)
{
    // Focus leaving an option is the moment the stop matters again: the next
    // Tab or Shift+Tab into the group must land on the selected option.
    if (event->type() == QEvent::FocusOut) {
        PlaceOnSelected();
    }
    return false;
}

void OptionTabStop::PlaceOnSelected()
{
    for (QRadioButton* option : options_) {
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

} // namespace kovir
