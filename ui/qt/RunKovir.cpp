#include "ui/qt/RunKovir.h"

#include "form/Form1Description.h"
#include "ui/qt/Form1.h"
#include "ui/qt/Form1Layout.h"
#include "ui/qt/StopAtExit.h"
#include "ui/qt/StopSignals.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <exception>
#include <optional>

namespace kovir {

namespace {

// Exceptions must not unwind through the toolkit's event loop. The first
// failure in any handler is kept here, the loop is ended, and RunKovir shows
// it; whatever else was queued is dropped rather than acted on.
class KovirApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (failure_) {
            return false;
        }
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            failure_ = std::current_exception();
            exit(1);
            return false;
        }
    }

    std::exception_ptr TakeFailure() { return std::exchange(failure_, nullptr); }

private:
    std::exception_ptr failure_;
};

// The icon of the menu entry, so that the window and its entry look alike.
QIcon ProgramIcon()
{
    QIcon icon;
    for (const char* size : {"32", "48", "64", "128"}) {
        icon.addFile(QStringLiteral(":/icons/rs.kovir.Kovir-%1.png").arg(QLatin1String(size)));
    }
    return icon;
}

void ShowFailure(const std::exception& e)
{
    QMessageBox::critical(nullptr, Text(Form1Description().caption), QString::fromUtf8(e.what()));
}

} // namespace

int RunKovir(int argc, char** argv, std::unique_ptr<PortOutput> port)
{
    StopSignals stopSignals;
    KovirApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    try {
        {
            Form1 form(std::move(port));
            stopSignals.Deliver([&form] { form.close(); });
            const StopAtExit stopAtExit(form);
            form.show();
            const int status = app.exec();
            if (auto failure = app.TakeFailure()) {
                std::rethrow_exception(failure);
            }
            return status;
        }
    } catch (const std::exception& e) {
        stopSignals.Release();
        ShowFailure(e);
    }
    return 1;
}

} // namespace kovir
