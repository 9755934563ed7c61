// The floor for start-up, memory and idle cost: an empty window of the same
// size as the program's, built in the same tree with the same flags. Whatever
// the program costs beyond this is the program's own.
// With --text it also shows one line of text, which shows what any window
// pays for drawing text at all (fontconfig, FreeType, HarfBuzz, a font).
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("floor");
    window.setFixedSize(392, 253);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel("UPRAVLJANJE KOVIROM", &window);
        label->setGeometry(40, 0, 313, 41);
    }
    window.show();
    return app.exec();
}
