// Plays moves on the real board with the real sound: before each move a drag over the
// hand (FX4, which falls silent after its first end), then a refused drop on the chain
// (FX1), then the accepted one (FX3), with the mover's label changing between moves.
// scripts/record-effects.sh records the sound device meanwhile and counts what sounded.
// Usage: effects_run -noAtom [moves] [pause between sounds in ms]
// (-noAtom lets it run beside a Kelmar that the player runs)
#include "TestSupport.h"

#include "ConnectForm.h"
#include "Methods.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>

namespace {
void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList numbers = app.arguments().mid(1).filter(QRegularExpression(QStringLiteral("^[0-9]+$")));
    const int moves = numbers.size() > 0 ? std::max(1, numbers[0].toInt()) : 50;
    const int pauseMs = numbers.size() > 1 ? numbers[1].toInt() : 700;
    PrepareApplication();
    UseArtwork();
    Dialogs().error = [](const QString &text) { qFatal("%s", qPrintable(text)); };
    WriteConfig(DefaultConfigText());
    const auto board = BuildBoard();
    board->show();
    TCards *tile = Player(Local).Tile(1);
    // As a player's game begins: the connect dialog opens the effects' streams, and the
    // sound server wakes to them while the dialog stands.
    OpenConnectDialog();
    pause(3000);
    DestroyConnectDialog();
    for (int move = 0; move < moves; ++move) {
        Feed("DA105EzEaEbEcBc4FF");  // 0-4 in slot 1, the chain 26..3 with a 4 on 3, the turn on
        BoardDragOver(tile);
        BoardDragDrop(ChainAt(1), tile);  // refused: position 1 has no room
        pause(pauseMs);
        BoardDragDrop(ChainAt(3), tile);  // accepted: 0-4 on the 4 of position 3
        pause(pauseMs);
        Table().Connection->Dispatch("J" + QByteArray::number(move % 4));
    }
    std::printf("moves %d refusals %d drags %d\n", moves, moves, moves);
    return 0;
}
