// Load benchmark (not a test): starts ServerKelmar, seats tables of four scripted
// players over TCP on 127.0.0.1, lets them play, and reports games per second, the
// server's resident memory, and the time from a move's send until its relayed B has
// reached the other three players of the table.
//   bench_server_load [--tables 250] [--games-per-table 2] [--pause MS]
#include "Convert.h"
#include "ScriptedClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>

namespace {
int option(const QStringList &args, const QString &name, int fallback)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

// Resident memory of a process in KiB, from /proc.
qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const auto match = QRegularExpression("VmRSS:\\s+(\\d+)").match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

double percentile(QList<double> samples, double p)
{
    if (samples.isEmpty())
        return 0;
    std::ranges::sort(samples);
    return samples[qsizetype(p * double(samples.size() - 1))];
}

// Follows every move from its send to the arrival of its first relayed B at the other
// three players.
class Latency {
public:
    void sent(const QByteArray &mover, const Placed &move)
    {
        pending_[key(mover, move.opening ? 'a' : Convert12A(std::uint8_t(move.next)))] = {clock_.nsecsElapsed(), 0};
    }
    void arrived(const QByteArray &mover, char position)
    {
        const auto it = pending_.find(key(mover, position));
        if (it == pending_.end() || ++it->seen < Seats - 1)
            return;
        samples << double(clock_.nsecsElapsed() - it->sentAt) / 1e6;
        pending_.erase(it);
    }
    QList<double> samples;  // milliseconds

private:
    struct Pending {
        qint64 sentAt;
        int seen;
    };
    static QByteArray key(const QByteArray &mover, char position) { return mover + ':' + position; }
    QElapsedTimer clock_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    QHash<QByteArray, Pending> pending_;
};
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int tables = option(args, "--tables", 250), games = tables * option(args, "--games-per-table", 2);
    const int pause = option(args, "--pause", 3000);

    QProcess server;
    server.setReadChannel(QProcess::StandardError);  // its log, read and not shown
    server.start(QStringLiteral(KELMAR_OUT_DIR "/ServerKelmar"),
                 {"--port", "0", "--games", QString::number(games), "--pause", QString::number(pause)});
    QByteArray log;
    QRegularExpressionMatch listening;
    while (
        !(listening = QRegularExpression("listening on 127.0.0.1:(\\d+)").match(QString::fromLatin1(log))).hasMatch()) {
        if (!server.waitForReadyRead(10000))
            qFatal("ServerKelmar did not start");
        log += server.readAllStandardError();
    }
    QObject::connect(&server, &QProcess::readyReadStandardError, &server, [&server] { server.readAllStandardError(); });
    const quint16 port = quint16(listening.captured(1).toUInt());

    Latency latency;
    QElapsedTimer clock;
    qint64 firstDeal = -1, peakKiB = 0;
    int gameEnds = 0;
    QList<ScriptedClient *> clients;
    for (int i = 0; i < tables * Seats; ++i) {
        auto *client = new ScriptedClient("P" + QByteArray::number(i), &app);
        QObject::connect(client, &ScriptedClient::moveSent, client,
                         [&latency, client](const Placed &m) { latency.sent(client->name, m); });
        QObject::connect(client, &ScriptedClient::chainHalf, client, [&latency, client](int mover, char position) {
            if (mover != client->seat)
                latency.arrived(client->names[mover], position);
        });
        QObject::connect(client, &ScriptedClient::turnBegins, client, [&] {
            if (firstDeal < 0)
                firstDeal = clock.elapsed();
        });
        QObject::connect(client, &ScriptedClient::gameOver, client, [&] {
            if (++gameEnds == games * Seats)
                app.quit();
        });
        clients << client;
    }
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout, &memory,
                     [&] { peakKiB = std::max(peakKiB, residentKiB(server.processId())); });
    memory.start(100);
    clock.start();
    for (ScriptedClient *client : clients)
        client->connectTo(port);
    QTimer::singleShot(600000, &app, [] { qFatal("the games did not finish within ten minutes"); });
    app.exec();

    const double seconds = double(clock.elapsed() - firstDeal) / 1000;
    int refusals = 0;
    for (const ScriptedClient *client : clients)
        refusals += int(client->notices.count(2) + client->notices.count(3));
    std::printf("%d tables, %d players, pause %d ms: %d games in %.1f s, %.1f games/s\n", tables, tables * Seats, pause,
                games, seconds, games / seconds);
    std::printf("server resident memory: peak %.1f MiB\n", double(peakKiB) / 1024);
    std::printf("move sent -> relayed B at the other three: p50 %.2f ms, p99 %.2f ms (%lld moves)\n",
                percentile(latency.samples, 0.5), percentile(latency.samples, 0.99), qlonglong(latency.samples.size()));
    std::printf("refused moves: %d\n", refusals);
    server.waitForFinished(10000);
    return refusals == 0 ? 0 : 1;
}
