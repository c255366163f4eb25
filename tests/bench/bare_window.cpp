// The yardstick of the client's start-up, memory and idle processor time: a bare Qt
// widgets window of the board's size, and nothing else. With the argument "text" it
// also shows one line of text, as the board's status label does: what the toolkit
// itself costs a window with text in it. Its fonts load at the first paint, but the
// label's text starts the accessibility bridge before the map, which the bare window
// starts only after it.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(800, 600);
    if (QApplication::arguments().contains(QStringLiteral("text")))
        (new QLabel(QStringLiteral("Offline"), &window))->setGeometry(720, 550, 60, 16);
    window.show();
    return QApplication::exec();
}
