#pragma once

#include "tests/support/CallLog.h"
#include "ui/qt/ColourButton.h"
#include "ui/qt/Form1.h"

#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace kovir::testing {

// The real window over a recording port, shown and active, as the operator
// gets it.
struct ShownForm {
    CallLog log;
    RecordingPort* port = nullptr;
    std::unique_ptr<Form1> form;

    // `drives`: the port each option's address drives on this PC, where not itself.
    explicit ShownForm(std::map<std::int16_t, std::string> drives = {})
    {
        auto recording = std::make_unique<RecordingPort>(log);
        recording->drives = std::move(drives);
        port = recording.get();
        form = std::make_unique<Form1>(std::move(recording));
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    ColourButton& Command(int number) const { return *form->Controls().Command[number - 1]; }

    // What is on the screen now, not what the widget would paint if asked.
    QImage Screen() const { return form->screen()->grabWindow(form->winId()).toImage(); }

    // The colour on the screen at a point of `w`, in window coordinates.
    QColor ScreenColourAt(const QWidget& w, QPoint inWidget) const
    {
        return Screen().pixelColor(w.mapTo(form.get(), inWidget));
    }
};

} // namespace kovir::testing

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* os)
{
    *os << c.name().toStdString();
}
