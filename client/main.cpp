#include "Main.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PrepareApplication();
    TMainBoard board;
    if (QuitRequested)
        return 0;
    board.show();
    return QApplication::exec();
}
