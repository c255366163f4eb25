// ServerKelmar: the game server for Kelmar. Seats players at tables of four, fills
// seats with bots, deals, checks and relays every move, and reports the scores.
#include "EpollDispatcher.h"
#include "Log.h"
#include "Server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <climits>
#include <cstdint>
#include <sys/resource.h>

namespace {
// Every player holds a socket: let the server use as many as the system allows.
void raiseFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

struct Options {
    QCommandLineParser parser;
    QCommandLineOption listen{"listen", "Address to listen on (default 127.0.0.1; 0.0.0.0 for every network).", "ADDR",
                              "127.0.0.1"};
    QCommandLineOption port{"port", "TCP port (default 18113; 0 picks a free one).", "N", "18113"};
    QCommandLineOption bots{"bots", "Bots in N seats of every table from the start, 0 to 3 (default 0).", "N", "0"};
    QCommandLineOption wait{
        "wait", "Bots take a table's free seats S seconds after its first player sits down (default 0: never).", "S",
        "0"};
    QCommandLineOption seed{"seed", "Deal repeatably: table n shuffles with seed S + n (default: random).", "S"};
    QCommandLineOption games{"games", "Stop after N games in all (default 0: run until stopped).", "N", "0"};
    QCommandLineOption tables{
        "tables",
        "At most N tables; once their seats are taken, further connections get notice 5 and are closed (default "
        "500; 0: no limit).",
        "N", "500"};
    QCommandLineOption perAddress{"per-address",
                                  "At most N connections from one IPv4 address or IPv6 /64; further ones get notice 5 "
                                  "(default 8; 0: no limit).",
                                  "N", "8"};
    QCommandLineOption unjoined{"unjoined",
                                "At most N connections that have not joined yet; beyond them the oldest gets notice 5 "
                                "(default 256; 0: no limit).",
                                "N", "256"};
    QCommandLineOption turnTime{
        "turn-time",
        "Seconds a player has for a move before a bot plays it; after three such turns within its last six a "
        "bot takes the seat (default 60; 0: no deadline).",
        "S", "60"};
    QCommandLineOption match{"match",
                             "A match ends when a seat's total of scores reaches N; the lowest total wins (default "
                             "100; 0: single games).",
                             "N", "100"};
    QCommandLineOption rejoin{"rejoin",
                              "A player whose connection drops during a game may take its seat back within S "
                              "seconds, joining with the same name from the same address; meanwhile a bot plays it "
                              "(default 300; 0: off).",
                              "S", "300"};
    QCommandLineOption pause{"pause",
                             "Milliseconds from a game's end to its scores, and again to the next game (default 3000).",
                             "MS", "3000"};

    Options()
    {
        parser.setApplicationDescription("Game server for Kelmar: tables of four players or bots.");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {listen, port, bots, wait, seed, games, tables, perAddress, unjoined, turnTime, match, rejoin, pause});
    }

    // The number given with `option` when it lies in low..high; sets `error` otherwise.
    qint64 number(const QCommandLineOption &option, qint64 low, qint64 high, QString &error) const
    {
        bool ok = false;
        const qint64 value = parser.value(option).toLongLong(&ok);
        if (!ok || value < low || value > high)
            error = QStringLiteral("--%1 takes a number from %2 to %3").arg(option.names().first()).arg(low).arg(high);
        return value;
    }

    // The configuration the options ask for, or an error text.
    std::optional<ServerConfig> config(QString &error) const
    {
        ServerConfig config;
        if (!config.address.setAddress(parser.value(listen)))
            error = QStringLiteral("--listen takes an IP address");
        config.port = quint16(number(port, 0, 65535, error));
        config.table.bots = int(number(bots, 0, Seats - 1, error));
        config.table.wait = std::chrono::seconds(number(wait, 0, 86400, error));
        config.games = int(number(games, 0, INT_MAX, error));
        config.tables = int(number(tables, 0, 100000, error));
        config.perAddress = int(number(perAddress, 0, 100000, error));
        config.unjoined = int(number(unjoined, 0, 100000, error));
        if (const qint64 seconds = number(turnTime, 0, 86400, error); seconds > 0)
            config.table.turnTime = std::chrono::seconds(seconds);
        else
            config.table.turnTime.reset();
        config.table.match = int(number(match, 0, Protocol::MaxTotal, error));
        config.table.rejoin = std::chrono::seconds(number(rejoin, 0, 86400, error));
        config.table.pause = std::chrono::milliseconds(number(pause, 0, 60000, error));
        if (parser.isSet(seed))
            config.seed = std::uint32_t(number(seed, 0, UINT32_MAX, error));
        return error.isEmpty() ? std::optional(config) : std::nullopt;
    }
};
}  // namespace

int main(int argc, char *argv[])
{
    // With many players the dispatcher decides what a move costs: see EpollDispatcher.h.
    QCoreApplication::setEventDispatcher(new EpollDispatcher);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ServerKelmar");
    QCoreApplication::setApplicationVersion(KELMAR_VERSION);
    qSetMessagePattern("%{time yyyy-MM-dd hh:mm:ss.zzz} %{message}");

    Options options;
    options.parser.process(app);
    QString error;
    const std::optional<ServerConfig> config = options.config(error);
    if (!config) {
        qCCritical(lcServer).noquote() << error;
        return 2;
    }
    raiseFileLimit();
    Server server(*config);
    if (!server.listen())
        return 1;
    QObject::connect(&server, &Server::finished, &app, &QCoreApplication::quit);
    return app.exec();
}
