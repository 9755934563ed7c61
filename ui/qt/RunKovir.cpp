#include "ui/qt/RunKovir.h"

#include "form/Form1Description.h"
#include "ui/qt/Form1.h"
#include "ui/qt/Form1Layout.h"
#include "ui/qt/StopAtExit.h"
#include "ui/qt/StopBeforeSleep.h"
#include "ui/qt/StopSignals.h"
#include "ui/qt/icon/IconPixels.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace kovir {

namespace {

// The icon of the menu entry, so that the window and its entry look alike.
QIcon ProgramIcon()
{
    QIcon icon;
    for (const IconPixels& size : ProgramIconPixels()) {
        const QImage image(reinterpret_cast<const uchar*>(size.pixels), size.width, size.height,
                           QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

// In the terminal the program may have been started from, where a
// pipeline's reader sees it too, and on the screen. Not on the screen when
// the program was asked to end (a signal, a shutdown): a box would keep it
// waiting for a click that may never come.
void ShowFailure(const std::exception& e, bool onScreen)
{
    std::fprintf(stderr, "kovir: %s\n", e.what());
    if (onScreen) {
        QMessageBox::critical(nullptr, Text(Form1Description().caption),
                              QString::fromUtf8(e.what()));
    }
}

} // namespace

int RunKovir(int argc, char** argv, std::unique_ptr<PortOutput> port)
{
    StopSignals stopSignals;
    bool endAsked = false; // by a signal, not by the operator
    QApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    try {
        {
            Form1 form(std::move(port));
            FormSession& session = form.Session();
            stopSignals.Deliver([&form, &session] {
                session.AskEnd();
                form.close();
            });
            const StopAtExit stopAtExit(form);
            const StopBeforeSleep stopBeforeSleep([&session] { session.Sleep(); });
            form.show();
            const int status = app.exec();
            endAsked = session.EndAsked();
            if (auto failure = session.TakeFailure()) {
                std::rethrow_exception(failure);
            }
            return status;
        }
    } catch (const std::exception& e) {
        stopSignals.Release();
        ShowFailure(e, !endAsked);
    }
    return 1;
}

} // namespace kovir
