// The yardstick for start-up: an empty main window, shown, until its first frame is painted.
// With --label the window holds one line of text, so that the font set-up is paid as well.
#include "FirstPaint.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        window.setCentralWidget(new QLabel(QStringLiteral("One line of text"), &window));
    new fenwave::startup::FirstPaintProbe(&window);
    window.show();
    return app.exec();
}
