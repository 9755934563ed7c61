// The program's own top level given a port that fails, at Load or at a later
// click: one error message, titled with the window's caption, no window
// behind it, a failing exit status, and nothing written after the failure.
#include "ui/qt/RunKovir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace {

int failures = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

void InspectAndDismiss()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    Check(box != nullptr, "an error message is shown");
    if (!box) {
        QApplication::exit(99);
        return;
    }
    Check(box->windowTitle() == "Upravljanje kovirom", "titled with the window's caption");
    Check(box->text() == QString::fromUtf8("Paralelni port 0x378 nije pronađen."),
          "it shows the port's error");
    Check(box->icon() == QMessageBox::Critical, "as an error");
    int visible = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        visible += w->isVisible() && w != box ? 1 : 0;
    }
    Check(visible == 0, "no window but the message is shown");
    box->accept();
}

// "Napred" clicked twice in one go: the second click certainly arrives, and
// after the first one's write has failed.
void ClickNapredTwice()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* napred = w->findChild<QAbstractButton*>("Command3")) {
            napred->click();
            napred->click();
            return;
        }
    }
    Check(false, "the window has Napred");
    QApplication::exit(99);
}

// Reaches the device for the first `reachable` writes, then fails; counts
// every write tried, past the port's own life in the program.
class PortFailingAfter final : public kovir::PortOutput {
public:
    PortFailingAfter(int reachable, int& attempts) : reachable_(reachable), attempts_(attempts) {}

    void PortOut(std::int16_t, std::uint8_t) override
    {
        if (++attempts_ <= reachable_) {
            QTimer::singleShot(0, &ClickNapredTwice);
            return;
        }
        // Look at the screen once the program is showing whatever it shows.
        QTimer::singleShot(0, &InspectAndDismiss);
        throw std::runtime_error("Paralelni port 0x378 nije pronađen.");
    }
    void Wait(std::uint32_t, const std::function<void()>&) override {}

private:
    int reachable_;
    int& attempts_;
};

void Run(int argc, char** argv, int reachable)
{
    int attempts = 0;
    const int status =
        kovir::RunKovir(argc, argv, std::make_unique<PortFailingAfter>(reachable, attempts));
    Check(status == 1, "the program ends with a failing status");
    Check(attempts == reachable + 1, "no write is tried after the failed one");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Run(argc, argv, 0); // at Load: no window is ever shown
    Run(argc, argv, 1); // at the first click of a session
    std::printf("%d passed, %d failed\n", failures == 0 ? 1 : 0, failures == 0 ? 0 : 1);
    return failures == 0 ? 0 : 1;
}
