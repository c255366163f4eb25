#include "Main.h"
#include "Global.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PrepareApplication();
    TMainBoard board;
    if (Shared().QuitRequested)
        return 0;
    board.show();
    return QApplication::exec();
}
