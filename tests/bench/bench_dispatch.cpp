// Throughput of the batch dispatch on the traffic of a whole game, as the client
// receives it: the real board offscreen, the real handlers, the real pictures.
#include "TestSupport.h"

#include "Player_Prototype.h"
#include "Winsock_Handling.h"

#include <benchmark/benchmark.h>

namespace {
// One game seen by seat 0: the deal, a turn dance per move, the relayed chain updates
// of 24 moves on both branches, the end notices. Player data comes in reads of its own.
QList<QByteArray> recordedGame()
{
    QList<QByteArray> reads{"D", "A101A209A327A412A503A620A728", "C4", "F"};
    reads << "J0F"
          << "Ba6Bb5EaEbK03F";
    for (int move = 0; move < 24; ++move) {
        const int seat = move % 4;
        const bool left = move % 2;
        const int position = left ? 26 - move / 2 : 3 + move / 2;
        const char letter = static_cast<char>('a' + position - 1);
        const char from = static_cast<char>(left ? letter + 1 : letter - 1);
        QByteArray read = "J" + QByteArray::number(seat);
        read += "B" + QByteArray(1, letter) + QByteArray::number(move % 7);
        read += "E" + QByteArray(1, from) + "E" + QByteArray(1, letter);
        read += "K" + QByteArray::number(seat) + QByteArray::number(move % 7 + 1);
        reads << read;
    }
    // The game ends blocked (notice 7): notice 1's panel stands for a second by design,
    // which says nothing about the dispatch.
    reads << "C7"
          << "^$15"
          << "^$27"
          << "^$37"
          << "^$49";
    return reads;
}

void BM_DispatchGame(benchmark::State &state)
{
    const QList<QByteArray> reads = recordedGame();
    qint64 bytes = 0;
    for (auto _ : state) {
        for (const QByteArray &read : reads) {
            Table().Connection->Dispatch(read);
            bytes += read.size();
        }
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_DispatchGame)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrepareSuite();
    Dialogs().error = [](const QString &text) { qFatal("%s", qPrintable(text)); };
    TMainBoard board;
    Model().SetLocalName("Bench");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
