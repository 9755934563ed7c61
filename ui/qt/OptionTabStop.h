#pragma once

#include <QList>
#include <QObject>

class QRadioButton;

namespace kovir {

// Keeps a group of option buttons one tab stop, on the selected option.
// Qt by itself leaves the stop on the option focused last, which differs
// from the selected one after, say, a press on an option dragged off it.
class OptionTabStop final : public QObject {
public:
    OptionTabStop(QList<QRadioButton*> options, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceOnSelected();

    QList<QRadioButton*> options_;
};

} // namespace kovir
