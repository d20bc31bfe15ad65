// The yardstick for start-up: a Qt window of the main window's size and nothing else, built
// with the same compiler and flags as the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(795, 545);
    window.show();
    return app.exec();
}
