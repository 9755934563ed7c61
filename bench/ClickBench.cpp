// Click to byte: how long from the operator's click until the byte is on the
// port, at each layer, beside the cheapest real port write (one write(2)).
#include "bench/NullPort.h"
#include "core/Controller.h"
#include "ui/qt/ColourButton.h"
#include "ui/qt/Form1.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace kovir::bench {
namespace {

// Every iteration alternates two directions, so each Move really changes colours.
constexpr Direction Alternating[2] = {Direction::Forward, Direction::Back};

void Floor_WriteOneByteToDevNull(benchmark::State& state)
{
    const int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const char byte = 0x0F;
    for (auto _ : state) {
        benchmark::DoNotOptimize(write(fd, &byte, 1));
    }
    close(fd);
}
BENCHMARK(Floor_WriteOneByteToDevNull);

void A_MoveOverNullPanel(benchmark::State& state)
{
    NullPort port;
    NullPanel panel;
    Controller controller(port, panel);
    controller.Start();
    int i = 0;
    for (auto _ : state) {
        controller.Move(Alternating[i ^= 1]);
    }
}
BENCHMARK(A_MoveOverNullPanel);

struct ShownForm1 {
    NullPort* port = nullptr;
    std::unique_ptr<Form1> form;
    ShownForm1()
    {
        auto null = std::make_unique<NullPort>();
        port = null.get();
        form = std::make_unique<Form1>(std::move(null));
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) {
            std::abort();
        }
        QApplication::processEvents();
    }
};

void B_MoveOverForm1(benchmark::State& state)
{
    ShownForm1 shown;
    NullPort port;
    Controller controller(port, *shown.form);
    controller.Start();
    int i = 0;
    for (auto _ : state) {
        controller.Move(Alternating[i ^= 1]);
    }
    QApplication::processEvents();
}
BENCHMARK(B_MoveOverForm1);

// Napred and Nazad in turn, by mouse through Qt's event dispatch, until the
// byte has been written; optionally with the repaint the click caused.
void ClickNapredNazad(benchmark::State& state, bool repaint)
{
    ShownForm1 shown;
    ColourButton* buttons[2] = {shown.form->Controls().Command[2], shown.form->Controls().Command[3]};
    int i = 0;
    for (auto _ : state) {
        QTest::mouseClick(buttons[i ^= 1], Qt::LeftButton);
        if (repaint) {
            QApplication::sendPostedEvents();
        }
    }
    if (shown.port->last != 0x0F && shown.port->last != 0x05) {
        state.SkipWithError("the clicks did not reach the port");
    }
}

void C_ClickToByte(benchmark::State& state)
{
    ClickNapredNazad(state, false);
    QApplication::processEvents();
}
BENCHMARK(C_ClickToByte);

void D_ClickToByteAndRepaint(benchmark::State& state)
{
    ClickNapredNazad(state, true);
}
BENCHMARK(D_ClickToByteAndRepaint);

} // namespace
} // namespace kovir::bench

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
