// The yardstick of the client's start-up, memory and idle processor time: a bare Qt
// widgets window of the board's size, and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
