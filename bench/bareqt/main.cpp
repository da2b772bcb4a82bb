// The yardstick for start-up: the least a Qt 6 widget program does to put a window of the
// game's size on the screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare Qt"));
    window.resize(551, 451);
    window.show();
    return app.exec();
}
