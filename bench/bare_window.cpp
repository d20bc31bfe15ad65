// The yardsticks for start-up: a Qt window of the main window's size and nothing else, and the
// same window showing one line of text, built with the same compiler and flags as the program.
// The second is the least a window with words in it costs: Qt's font set-up (fontconfig's
// configuration, the font database, one face loaded) comes before its first map.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(795, 545);
#ifdef PLATTERA_WITH_TEXT
    auto* label = new QLabel(QStringLiteral("Looking for CD covers?"), &window);
    label->adjustSize();
#endif
    window.show();
    return app.exec();
}
