// The program's own top level, given a port that cannot be reached: one error
// message, titled with the window's caption, no window, a failing exit status.
#include "ui/qt/RunKovir.h"

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

class UnreachablePort final : public kovir::PortOutput {
public:
    void PortOut(std::int16_t, std::uint8_t) override
    {
        // Look at the screen once the program is showing whatever it shows.
        QTimer::singleShot(0, [] { InspectAndDismiss(); });
        throw std::runtime_error("Paralelni port 0x378 nije pronađen.");
    }
    void Wait(std::uint32_t) override {}

private:
    static void InspectAndDismiss()
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
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int status = kovir::RunKovir(argc, argv, std::make_unique<UnreachablePort>());
    Check(status == 1, "the program ends with a failing status");
    std::printf("%d passed, %d failed\n", failures == 0 ? 1 : 0, failures == 0 ? 0 : 1);
    return failures == 0 ? 0 : 1;
}
