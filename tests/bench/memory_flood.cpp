// The client's resident memory under a stream from a server: the real board offscreen,
// connected over 127.0.0.1 to a server in this program that sends one kind of message
// as fast as the client reads it.
//
//   memory_flood OPCODES [MEGABYTES]   e.g. memory_flood F 10, memory_flood C4 10
//   memory_flood game [SECONDS]        whole valid games, scores included, for a while
//
// It prints the resident memory after the connect, at the end, and its peak, in MiB.
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

namespace {
double statusMiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

template <typename Condition> void waitUntil(Condition condition, int ms)
{
    if (!QTest::qWaitFor(condition, ms))
        qFatal("the client stopped reading");
}

bool clientIdle() { return Table().Connection->Socket()->BytesAvailable() == 0 && !Table().Connection->Busy(); }

// Sends bytes and waits until the client has taken and handled all of them.
void deliver(QTcpSocket &peer, const QByteArray &bytes)
{
    peer.write(bytes);
    waitUntil([&] { return peer.bytesToWrite() == 0 && clientIdle(); }, 60000);
}

// `megabytes` of one message repeated, handed over a quarter MiB at a time so that
// neither side's buffer holds the stream.
void floodWith(QTcpSocket &peer, const QByteArray &message, double megabytes)
{
    const QByteArray chunk = message.repeated(qMax<qsizetype>(1, (256 << 10) / message.size()));
    const qint64 total = static_cast<qint64>(megabytes * (1 << 20));
    for (qint64 sent = 0; sent < total; sent += chunk.size()) {
        peer.write(chunk);
        waitUntil([&] { return peer.bytesToWrite() < chunk.size(); }, 60000);
    }
    waitUntil([&] { return peer.bytesToWrite() == 0 && clientIdle(); }, 600000);
}

// A game as seat 0 sees it: the deal, 24 relayed moves, the blocked end and the four
// scores, each player data message in a read of its own.
void playGames(QTcpSocket &peer, double seconds)
{
    QByteArray opcodes = "DA101A209A327A412A503A620A728C4FJ0FBa6Bb5EaEbK03F";
    for (int move = 0; move < 24; ++move) {
        const bool left = move % 2;
        const int position = left ? 26 - move / 2 : 3 + move / 2;
        const char letter = static_cast<char>('a' + position - 1);
        const char from = static_cast<char>(left ? letter + 1 : letter - 1);
        opcodes += "J" + QByteArray::number(move % 4) + "B" + QByteArray(1, letter) + QByteArray::number(move % 7);
        opcodes += "E" + QByteArray(1, from) + "E" + QByteArray(1, letter);
        opcodes += "K" + QByteArray::number(move % 4) + QByteArray::number(move % 7 + 1);
    }
    opcodes += "C7";
    QElapsedTimer clock;
    clock.start();
    int games = 0;
    while (clock.elapsed() < seconds * 1000) {
        deliver(peer, opcodes);
        for (const char *score : {"^$15", "^$27", "^$37", "^$49"})
            deliver(peer, score);
        ++games;
    }
    std::printf("games: %d in %.0f s\n", games, clock.elapsed() / 1000.0);
}
}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: memory_flood OPCODES|game [MEGABYTES|SECONDS]\n");
        return 2;
    }
    PrepareSuite();
    WriteDefaultConfigWith({{"Verbose=yes", "Verbose=no"}});
    int errors = 0;
    Dialogs().error = [&errors](const QString &) { ++errors; };
    Dialogs().information = [](const QString &) {};
    Dialogs().message = [](const QString &) {};
    auto board = BuildBoard();
    Model().SetLocalName("Bench");

    FakeServer server;
    if (!server.listen())
        qFatal("cannot listen on 127.0.0.1");
    Table().Connection->Open(QStringLiteral("127.0.0.1"));
    if (!QTest::qWaitFor([&] { return server.peer && server.wire.endsWith('V'); }, 5000))
        qFatal("the client did not join");
    QTest::qWait(100);
    const double start = statusMiB("VmRSS:");

    const QByteArray what = argv[1];
    const double amount = argc > 2 ? QByteArray(argv[2]).toDouble() : 10;
    QElapsedTimer clock;
    clock.start();
    if (what == "game")
        playGames(*server.peer, amount);
    else
        floodWith(*server.peer, what, amount);
    QTest::qWait(100);
    std::printf("%s: start %.1f MiB, end %.1f MiB (+%.1f), peak %.1f MiB, %.1f s, %d error boxes\n", what.constData(),
                start, statusMiB("VmRSS:"), statusMiB("VmRSS:") - start, statusMiB("VmHWM:"), clock.elapsed() / 1000.0,
                errors);
    return 0;
}
