// A real server on 127.0.0.1 with scripted players over TCP: whole games, refusals,
// players who leave or let their turn time pass, bad input of every kind, hostile names
// and the log, spam of refused moves, a full server, the limits per address and on
// connections that do not join, the descriptor limit, the graceful close of a refused
// connection, the sockets' timeouts, many tables at once, and the program itself.
#include "Bot.h"
#include "EpollDispatcher.h"
#include "Log.h"
#include "ScriptedClient.h"
#include "Server.h"
#include "Wire.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
ServerConfig quick()
{
    ServerConfig config;
    config.port = 0;
    config.seed = 11;
    config.table.botDelay = 5ms;
    config.table.pause = 50ms;
    config.client.pause = 1ms;  // the scripted players take "^" messages in any reads
    config.perAddress = 0;      // every test player comes from 127.0.0.1
    return config;
}

QList<ScriptedClient *> players(quint16 port, int count, QObject *owner)
{
    QList<ScriptedClient *> clients;
    for (int i = 0; i < count; ++i) {
        clients << new ScriptedClient("Pl" + QByteArray::number(i), owner);
        clients.last()->connectTo(port);
    }
    return clients;
}

int refusals(const ScriptedClient *c) { return int(c->notices.count(2) + c->notices.count(3)); }

int pipsInHand(const ScriptedClient *c)
{
    int sum = 0;
    for (int tile : c->hand)
        if (const auto p = Rules::PipsOfTile(tile))
            sum += p->first + p->second;
    return sum;
}

bool disconnected(const ScriptedClient *c) { return c->socket().state() == QAbstractSocket::UnconnectedState; }

// Counts the games whose score for a player's own seat is not the pips left in its hand.
void countWrongScores(const QList<ScriptedClient *> &clients, int &wrong)
{
    for (ScriptedClient *c : clients)
        QObject::connect(c, &ScriptedClient::gameOver, c,
                         [c, &wrong] { wrong += c->scores.last()[c->seat] != pipsInHand(c); });
}

// What is out of order in the extension messages that a player received, one line each:
// the announcement after the greeting, the clock after every J (seconds for a player's
// seat, 0 for a bot's), every move told before its chain updates and its K, the passes
// between a move and the next turn exactly the seats skipped, the end told before its
// notice, a late turn's reason before the move played for it, and a game's totals after
// its scores.
QStringList toldOutOfOrder(const ScriptedClient &c, const QByteArrayList &botNames, int clockSeconds)
{
    QStringList faults;
    const QByteArrayList &m = c.received;
    const auto at = [&m](qsizetype i) { return i >= 0 && i < m.size() ? m[i] : QByteArray(); };
    const auto seatOf = [](const QByteArray &message) { return message.size() > 1 ? message[1] - '0' : -1; };
    QList<int> passes;
    int lastMover = -1;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const QByteArray &now = m[i];
        const auto fault = [&](const char *what) {
            faults << QStringLiteral("%1 at %2: %3").arg(QLatin1String(now)).arg(i).arg(what);
        };
        switch (now[0]) {
        case 'H':
            if (at(i + 1) != Wire::Announcement(c.seat))
                fault("no announcement after the greeting");
            break;
        case 'J': {
            const int mover = seatOf(now);
            const bool bot = botNames.contains(c.names[mover]) && mover != c.seat;
            if (at(i + 1) != Wire::Clock(mover, bot ? 0 : clockSeconds))
                fault("no clock after the turn");
            QList<int> skipped;
            for (int seat = (lastMover + 1) % Seats; lastMover >= 0 && seat != mover; seat = (seat + 1) % Seats)
                skipped << seat;
            if (!std::ranges::equal(passes, skipped))  // QList == of two empty lists trips UBSan in Qt 6.4
                fault("the passes told are not the seats skipped");
            passes.clear();
            break;
        }
        case 'O': {
            qsizetype k = i + 1;
            while (at(k).startsWith('B') || at(k).startsWith('E'))
                ++k;
            const auto pips = Rules::PipsOfTile(now.mid(2).toInt());
            const int shown = at(i + 1)[2] - '0';
            if (k == i + 1 || !at(k).startsWith(Wire::TilePlayed(seatOf(now), 0).left(2)) || !pips
                || (pips->first != shown && pips->second != shown))
                fault("the move told is not the move played");
            lastMover = seatOf(now);
            passes.clear();
            break;
        }
        case 'B':
            if (!QByteArrayLiteral("OBE").contains(at(i - 1)[0]))
                fault("a move not told");
            break;
        case 'P': passes << seatOf(now); break;
        case 'D':  // a new game: its first turn follows no move
            lastMover = -1;
            passes.clear();
            break;
        case 'N':
            if (now == Wire::ReasonTold(Wire::Reason::TimeUp)
                && !at(i + 1).startsWith(Wire::MoveTold(c.seat, 0).left(2)))
                fault("no move for the late player after its reason");
            break;
        case 'C':
            if ((now == "C1" && at(i - 1) != Wire::EndTold(Wire::Ending::WentOut, lastMover))
                || (now == "C7" && at(i - 1) != Wire::EndTold(Wire::Ending::Blocked, 0)))
                fault("the end is not told before its notice");
            break;
        case '^':
            if (now.startsWith("^$4")) {
                for (int seat = 0; seat < Seats; ++seat)
                    if (!at(i + 1 + seat).startsWith(Wire::Total(seat, 0).left(2)))
                        fault("no totals after the scores");
                if (!at(i + 1 + Seats).startsWith('S'))
                    fault("no match state after the totals");
            }
            break;
        }
    }
    return faults;
}

// The characters of a read that the game's own walk acts on: every letter A to K with the
// characters after it that it takes as parameters.
QByteArrayList actedOn(const QByteArray &read)
{
    QByteArrayList acted;
    for (qsizetype i = 0; i < read.size(); ++i)
        if (const int count = Protocol::OpcodeParameterCount(read[i]); count >= 0)
            acted << read.mid(i, count + 1);
    return acted;
}

// The read without the extension messages in it, as a client that knows them finds them.
QByteArray withoutExtensions(const QByteArray &read)
{
    QByteArray rest;
    for (qsizetype i = 0; i < read.size();) {
        const int game = Protocol::OpcodeParameterCount(read[i]);
        const int extension = Protocol::ExtensionParameterCount(read[i]);
        const qsizetype length = game >= 0 ? game + 1 : extension >= 0 ? extension + 1 : 1;
        if (extension < 0 || i + length > read.size())
            rest += read.mid(i, length);
        i += length;
    }
    return rest;
}

// A player who took its seat back, still waiting, plays from now on: it ends the game
// without a refused move and with the score of the hand it holds.
void playToTheEnd(ScriptedClient *back)
{
    int wrongScores = 0;
    countWrongScores({back}, wrongScores);
    back->autoPlay = true;
    if (back->turn)
        back->playMove(*back->pickMove());
    QTRY_VERIFY_WITH_TIMEOUT(!back->scores.isEmpty(), 20000);
    QCOMPARE(wrongScores, 0);
    QCOMPARE(refusals(back), 0);
}

// A client on a plain socket, to see how the server ends the connection: end is 0 while
// the stream goes on, 1 after a clean end (read returned 0), and -errno after an error.
struct RawClient {
    explicit RawClient(quint16 port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0)
            end = -errno;
        fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    ~RawClient() { ::close(fd); }
    void send(const QByteArray &bytes) const
    {
        QCOMPARE(::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    // Takes what has arrived; true once the stream has ended.
    bool ended()
    {
        char buffer[4096];
        for (ssize_t n; end == 0 && (n = ::recv(fd, buffer, sizeof buffer, 0)) != 0;) {
            if (n < 0) {
                if (errno != EAGAIN)
                    end = -errno;
                return end != 0;
            }
            got.append(buffer, n);
        }
        end = end == 0 ? 1 : end;
        return true;
    }
    int fd;
    int end = 0;
    QByteArray got;
};

// The server's side of the connection from `client`.
QTcpSocket *acceptedSocket(const Server &server, const QTcpSocket &client)
{
    for (QTcpSocket *socket : server.findChildren<QTcpSocket *>())
        if (socket->peerPort() == client.localPort())
            return socket;
    return nullptr;
}

int socketOption(const QTcpSocket *socket, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    getsockopt(int(socket->socketDescriptor()), level, name, &value, &size);
    return value;
}

// Every line the server logs while it lives, the wire trace included.
struct LogCapture {
    LogCapture()
    {
        lines.clear();
        QLoggingCategory::setFilterRules("kelmar.server.info=true\nkelmar.server.wire.debug=true");
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { lines << m; });
    }
    ~LogCapture()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules("kelmar.server.info=false");
    }
    static qsizetype count(const QString &part)
    {
        return std::ranges::count_if(lines, [&part](const QString &line) { return line.contains(part); });
    }
    static inline QStringList lines;
    QtMessageHandler previous;
};
}  // namespace

class TestServerPlay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("kelmar.server.info=false"); }
    void dispatcherFiresTimersInTimeOrder();
    void fourPlayersPlayWholeGames();
    void everyTurnMoveAndPassIsToldInOrder();
    void clientThatKnowsOnlyTheGameMeetsNothingItActsOn();
    void matchTotalsAddUpAndTheLowestWins_data();
    void matchTotalsAddUpAndTheLowestWins();
    void refusalsGoBackToTheSenderOnly();
    void botTakesOverFromAPlayerWhoLeaves();
    void droppedPlayerTakesItsSeatBack();
    void tableWithNoPlayerLeftWaitsForTheHeldSeat();
    void badInputIsDroppedWhileOthersPlayOn();
    void spamOfRefusedMovesIsLoggedWithinAQuotaAndClosed();
    void fullServerSendsNotice5();
    void refusedClientReadsNotice5AndACleanEnd_data();
    void refusedClientReadsNotice5AndACleanEnd();
    void connectionsThatDoNotJoinLeaveRoomForPlayers();
    void descriptorLimitPausesAccepting();
    void acceptedSocketsBoundUnacknowledgedData();
    void missedTurnsCountOverTheLastSix_data();
    void missedTurnsCountOverTheLastSix();
    void threeMissedTurnsHandTheSeatToABot();
    void withoutDeadlineTheTurnWaits();
    void ninthConnectionFromOneAddressIsRefused();
    void hostileNamesAreRefusedAndTheLogIsEscaped();
    void waitFillsSeatsWithBots();
    void manyTablesAtOnce();
    void programRunsFromTheCommandLine();
};

void TestServerPlay::dispatcherFiresTimersInTimeOrder()
{
    QVERIFY(qobject_cast<EpollDispatcher *>(QAbstractEventDispatcher::instance()));
    QList<int> fired;
    QTimer later, stopped, repeating;
    for (const auto &[timer, id, ms] : {std::tuple{&later, 60, 60}, {&stopped, 99, 25}, {&repeating, 15, 15}}) {
        QObject::connect(timer, &QTimer::timeout, timer, [&fired, id] { fired << id; });
        timer->start(ms);
    }
    later.setSingleShot(true);
    QTimer::singleShot(0, &later, [&fired] { fired << 0; });
    QTimer::singleShot(40, &later, [&] { stopped.stop(); });  // it fired once, at 25 ms
    QVERIFY(later.remainingTime() > 30 && later.remainingTime() <= 60);
    QTRY_VERIFY(fired.contains(60));
    repeating.stop();
    QCOMPARE(fired.mid(0, 2), QList<int>({0, 15}));
    QCOMPARE(fired.count(99), 1);
    QVERIFY(fired.count(15) >= 2 && fired.indexOf(60) > fired.indexOf(99));
    QTest::qWait(50);
    QCOMPARE(fired.count(60), 1);  // a single shot
}

void TestServerPlay::fourPlayersPlayWholeGames()
{
    ServerConfig config = quick();
    config.games = 3;
    config.client.pause = DefaultPause;  // the real pacing: no "^" message may share a read
    Server server(config);
    QVERIFY(server.listen());
    QSignalSpy finished(&server, &Server::finished);
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), Seats, &owner);
    int wrongScores = 0;
    countWrongScores(clients, wrongScores);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);

    QSet<int> seats;
    for (const ScriptedClient *c : clients) {
        seats << c->seat;
        QCOMPARE(c->scores.size(), 3);
        QCOMPARE(c->notices.count(1) + c->notices.count(7), 3);  // each game's end
        QCOMPARE(refusals(c), 0);
        QCOMPARE(c->dataJoined, 0);
        QVERIFY(c->notices.endsWith(Wire::Disconnected));
        QVERIFY(disconnected(c));
        for (const ScriptedClient *other : clients)
            if (other != c)
                QCOMPARE(c->names[other->seat], other->name);
        const qsizetype start = c->received.indexOf("D");
        QCOMPARE(c->received.mid(start + 1, 7).join().size(), 7 * 4);  // seven A messages
        QCOMPARE(c->received.mid(start + 8, 2), QByteArrayList({"C4", "F"}));
        QVERIFY(c->received[start + 10].startsWith('J'));
    }
    QCOMPARE(seats, QSet<int>({0, 1, 2, 3}));
    QCOMPARE(wrongScores, 0);
}

void TestServerPlay::everyTurnMoveAndPassIsToldInOrder()
{
    ServerConfig config = quick();
    config.games = 3;
    config.table.bots = 3;
    config.table.turnTime = 1500ms;  // told as 2 s
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *player = players(server.port(), 1, &owner).first();
    player->autoPlay = false;
    int turns = 0, missed = 0;
    QObject::connect(player, &ScriptedClient::turnBegins, player, [&] {
        if (turns++ % 3 == 0)
            ++missed;  // the time runs out and a bot plays this turn
        else
            player->playMove(*player->pickMove());
    });
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(player), 60000);
    QCOMPARE(player->scores.size(), 3);
    const QByteArrayList bots = {Bot::Name(1), Bot::Name(2), Bot::Name(3)};
    const QStringList faults = toldOutOfOrder(*player, bots, 2);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QCOMPARE(player->received.count(Wire::ReasonTold(Wire::Reason::TimeUp)), missed);
    QVERIFY(missed > 0);
    const auto told = [player](char kind) {
        return std::ranges::count_if(player->received, [kind](const QByteArray &m) { return m.startsWith(kind); });
    };
    QCOMPARE(told('O'), told('K'));
    QCOMPARE(told('Q'), 3);
    QVERIFY(told('P') > 0);
}

// Four clients that walk every read as the game's own client does play whole games; the
// extensions in their reads change nothing that walk acts on, and every "^" message,
// the announcement too, comes alone.
void TestServerPlay::clientThatKnowsOnlyTheGameMeetsNothingItActsOn()
{
    ServerConfig config = quick();
    config.games = 2;
    config.client.pause = DefaultPause;
    Server server(config);
    QVERIFY(server.listen());
    QSignalSpy finished(&server, &Server::finished);
    QObject owner;
    QList<ScriptedClient *> clients;
    for (int i = 0; i < Seats; ++i) {
        clients << new ScriptedClient("Old" + QByteArray::number(i), &owner);
        clients.last()->knowsExtensions = false;
        clients.last()->connectTo(server.port());
    }
    int wrongScores = 0;
    countWrongScores(clients, wrongScores);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(wrongScores, 0);
    for (const ScriptedClient *c : clients) {
        QCOMPARE(c->scores.size(), 2);
        QCOMPARE(refusals(c), 0);
        QCOMPARE(c->dataJoined, 0);
        QVERIFY(c->received.contains(Wire::Announcement(c->seat)));
        qsizetype extensions = 0;
        for (const QByteArray &read : c->reads) {
            if (read.startsWith('^'))
                continue;
            const QByteArray game = withoutExtensions(read);
            extensions += read.size() - game.size();
            QVERIFY2(!read.contains('^'), read.constData());
            QCOMPARE(actedOn(read), actedOn(game));
        }
        QVERIFY(extensions > 0);
    }
}

void TestServerPlay::matchTotalsAddUpAndTheLowestWins_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("a match to 30") << 30;
    QTest::newRow("single games") << 0;
}

// The totals after each game are the sums of the scores since the last won match, and a
// match is won, by the lowest total, once a total reaches the target.
void TestServerPlay::matchTotalsAddUpAndTheLowestWins()
{
    QFETCH(int, target);
    ServerConfig config = quick();
    config.games = 6;
    config.table.bots = 3;
    config.table.match = target;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const ScriptedClient *player = players(server.port(), 1, &owner).first();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(player), 60000);
    const QByteArrayList &m = player->received;
    std::array<int, Seats> totals{};
    int games = 0, won = 0, gamesAfterAWin = 0;
    for (qsizetype i = Seats - 1; i + Seats + 1 < m.size(); ++i) {
        if (!m[i].startsWith("^$4"))
            continue;
        ++games;
        gamesAfterAWin += won > 0;
        for (int seat = 0; seat < Seats; ++seat) {
            totals[seat] = m[i - Seats + 1 + seat].mid(3).toInt() + (target > 0 ? totals[seat] : 0);
            QCOMPARE(m[i + 1 + seat], Wire::Total(seat, totals[seat]));
        }
        const bool reached = target > 0 && std::ranges::any_of(totals, [&](int t) { return t >= target; });
        const int lowest = int(std::ranges::min_element(totals) - totals.begin());
        QCOMPARE(m[i + 1 + Seats], Wire::Match(target, reached ? lowest : -1));
        if (reached) {
            ++won;
            totals.fill(0);
        }
    }
    QCOMPARE(games, 6);
    QCOMPARE(gamesAfterAWin > 0, target > 0);
}

void TestServerPlay::refusalsGoBackToTheSenderOnly()
{
    Server server(quick());
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), Seats, &owner);
    for (ScriptedClient *c : clients)
        c->autoPlay = false;
    QTRY_VERIFY_WITH_TIMEOUT(std::ranges::any_of(clients, [](auto *c) { return c->turn; }), 10000);
    ScriptedClient *mover = *std::ranges::find_if(clients, [](auto *c) { return c->turn; });
    ScriptedClient *other = clients[(clients.indexOf(mover) + 1) % Seats];
    const QList<qsizetype> before = {clients[0]->received.size(), clients[1]->received.size(),
                                     clients[2]->received.size(), clients[3]->received.size()};

    other->send("C3");                                         // its own refusal comes back
    other->send(Wire::ClientMove(*other->pickMove()).join());  // out of turn
    QByteArray noTile = Wire::ClientMove(*mover->pickMove()).join();
    noTile[noTile.indexOf('X') + 2] = '8';  // slot 8
    QSignalSpy turns(mover, &ScriptedClient::turnBegins);
    mover->send(noTile);
    QTRY_COMPARE(other->notices.mid(other->notices.size() - 2), QList<int>({3, 2}));
    QTRY_COMPARE(turns.size(), 1);  // the refused mover has its turn again
    QCOMPARE(mover->notices.last(), 3);
    for (int i = 0; i < Seats; ++i)
        if (clients[i] != mover && clients[i] != other)
            QCOMPARE(clients[i]->received.size(), before[i]);

    const Placed legal = *mover->pickMove();
    mover->playMove(legal);
    for (ScriptedClient *c : clients)
        QTRY_VERIFY(c->received.contains(Wire::TilePlayed(legal.seat, legal.slot)));
    QCOMPARE(refusals(clients[0]) + refusals(clients[1]) + refusals(clients[2]) + refusals(clients[3]), 3);
}

void TestServerPlay::botTakesOverFromAPlayerWhoLeaves()
{
    ServerConfig config = quick();
    config.table.bots = 2;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), 2, &owner);
    QTRY_VERIFY_WITH_TIMEOUT(clients[0]->received.count("F") >= 4, 10000);  // a few turns into the game
    const int leaver = clients[1]->seat;
    clients[1]->socket().abort();
    QTRY_COMPARE(clients[0]->names[leaver], Bot::Name(leaver));
    QTRY_VERIFY_WITH_TIMEOUT(clients[0]->scores.size() == 1, 20000);
    QCOMPARE(refusals(clients[0]), 0);
}

// A player whose connection drops comes back with its name from its address and gets its
// seat with the tiles it had, less those the bot played for it meanwhile; the name from
// another address gets a seat of its own, and the other player sees the seat come back.
void TestServerPlay::droppedPlayerTakesItsSeatBack()
{
    ServerConfig config = quick();
    config.table.bots = 2;
    config.table.botDelay = 50ms;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), 2, &owner);
    ScriptedClient *stays = clients[0], *drops = clients[1];
    QTRY_VERIFY_WITH_TIMEOUT(drops->received.count("F") >= 3, 10000);  // a move or so into the game
    const int seat = drops->seat;
    const Hand before = drops->hand;
    drops->socket().abort();
    QTRY_COMPARE(stays->names[seat], Bot::Name(seat));
    const qsizetype dropped = stays->received.size();

    auto *impostor = new ScriptedClient(drops->name, &owner);
    impostor->connectTo(server.port(), true, QHostAddress("127.0.0.2"));
    QTRY_VERIFY(impostor->seat >= 0);
    QCOMPARE(impostor->seat, 0);  // the first seat of a table of its own
    auto *back = new ScriptedClient(drops->name, &owner);
    back->autoPlay = false;
    back->connectTo(server.port());
    QTRY_VERIFY_WITH_TIMEOUT(back->received.contains(Wire::Match(config.table.match, -1)), 10000);
    QCOMPARE(back->seat, seat);
    QCOMPARE(back->received.mid(0, 2), QByteArrayList({Wire::Greeting(seat), Wire::Announcement(seat)}));
    QCOMPARE(back->names[stays->seat], stays->name);
    QTRY_VERIFY(stays->received.contains(Wire::Back(seat)));
    QCOMPARE(stays->names[seat], drops->name);
    const QByteArrayList meanwhile = stays->received.mid(dropped, stays->received.indexOf(Wire::Back(seat)) - dropped);
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        const bool playedByBot = meanwhile.contains(Wire::TilePlayed(seat, slot));
        QCOMPARE(back->hand[slot - 1], playedByBot ? 0 : before[slot - 1]);
    }
    const QByteArrayList replay = back->received.mid(0, back->received.indexOf(Wire::Match(config.table.match, -1)));
    const auto count = [&replay](const QByteArray &start) {
        return std::ranges::count_if(replay, [&start](const QByteArray &m) { return m.startsWith(start); });
    };
    QCOMPARE(count("A") + count(Wire::TilePlayed(seat, 0).left(2)), Rules::HandSize);  // its own played slots too
    playToTheEnd(back);
    QCOMPARE(refusals(stays), 0);
}

// The only player drops: the bots do not play on without it, so it comes back to the hand
// it had, and the game goes on to its end. The log names it as it is, placeholders and all.
void TestServerPlay::tableWithNoPlayerLeftWaitsForTheHeldSeat()
{
    const LogCapture log;
    ServerConfig config = quick();
    config.table.bots = 3;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    auto *drops = new ScriptedClient("%3%1x", &owner);
    drops->connectTo(server.port());
    QTRY_VERIFY_WITH_TIMEOUT(drops->received.count("F") >= 3, 10000);
    const Hand before = drops->hand;
    drops->socket().abort();
    QTest::qWait(200);  // dozens of bot moves, were the bots to play on
    auto *back = new ScriptedClient(drops->name, &owner);
    back->autoPlay = false;
    back->connectTo(server.port());
    QTRY_VERIFY_WITH_TIMEOUT(back->received.contains(Wire::Match(config.table.match, -1)), 10000);
    QVERIFY(back->hand == before);
    playToTheEnd(back);
    QCOMPARE(LogCapture::count(QStringLiteral(" is held for %3%1x for 300 s")), 1);
    QCOMPARE(LogCapture::count(QStringLiteral(": %3%1x comes back for seat ")), 1);
}

void TestServerPlay::badInputIsDroppedWhileOthersPlayOn()
{
    ServerConfig config = quick();
    config.table.bots = 3;
    config.client.joinTimeout = 500ms;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *good = players(server.port(), 1, &owner).first();
    const QList<QByteArray> inputs = {
        QByteArray(1000, 'x'),                             // garbage
        "!@0FloodV" + QByteArray("C2").repeated(1 << 19),  // a megabyte of refusals to echo
        "!@0FloodV" + QByteArray(1 << 20, 'V'),            // a megabyte of harmless messages
        "!@0KiteBd6EcEd",                                  // a join without V
        "",                                                // connected, silent
        "!@0Ki",                                           // half a join
        "!@0KiteVBd6EcEdZ0X01Yr6Wt0",                      // a move out of turn, then silence: stays
    };
    QList<ScriptedClient *> bad;
    for (const QByteArray &input : inputs) {
        bad << new ScriptedClient("Bad", &owner);
        bad.last()->connectTo(server.port(), false);
        QObject::connect(&bad.last()->socket(), &QTcpSocket::connected, bad.last(),
                         [c = bad.last(), input] { c->send(input); });
    }
    for (int i = 0; i < 6; ++i)
        QTRY_VERIFY2_WITH_TIMEOUT(disconnected(bad[i]), qPrintable(QString::number(i)), 10000);
    QVERIFY(!disconnected(bad[6]));
    QTRY_VERIFY(bad[6]->notices.contains(2));
    QTRY_VERIFY_WITH_TIMEOUT(!good->scores.isEmpty(), 20000);
    QCOMPARE(refusals(good), 0);
}

// 900 bytes of "Wt0": 300 moves that the server refuses. The log takes its quota of
// them and one line for the rest, and the player is closed after the bound.
void TestServerPlay::spamOfRefusedMovesIsLoggedWithinAQuotaAndClosed()
{
    const LogCapture log;
    ServerConfig config = quick();
    config.table.bots = 3;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *spammer = players(server.port(), 1, &owner).first();
    spammer->autoPlay = false;
    QTRY_VERIFY(spammer->received.contains("C4"));
    spammer->send(QByteArray("Wt0").repeated(300));
    QTRY_VERIFY(disconnected(spammer));
    QCOMPARE(refusals(spammer), Table::MaxRefusals);
    QCOMPARE(spammer->notices.last(), int(Wire::Disconnected));
    // The summary of what was held back is written when the server lets the connection go,
    // which may come a moment after the client has read the end of the stream.
    QTRY_COMPARE(LogCapture::count(QStringLiteral("more lines about it held back")), 1);
    QCOMPARE(LogCapture::count(QStringLiteral("move Wt0 refused")), LogQuota::DefaultLines);
    QCOMPARE(LogCapture::count(QStringLiteral("moves refused within 60 s and is closed")), 1);
}

void TestServerPlay::fullServerSendsNotice5()
{
    ServerConfig config = quick();
    config.tables = 1;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> seated = players(server.port(), Seats, &owner);
    QTRY_VERIFY(std::ranges::all_of(seated, [](auto *c) { return c->seat >= 0; }));
    ScriptedClient *fifth = players(server.port(), 1, &owner).first();
    QTRY_VERIFY(disconnected(fifth));
    QCOMPARE(fifth->received, QByteArrayList{"C5"});
}

void TestServerPlay::missedTurnsCountOverTheLastSix_data()
{
    // The player's turns in a repeating pattern: m a missed one, p a move.
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<int>("closedAtTurn");  // 0: it keeps its seat
    QTest::newRow("misses one turn in three") << QByteArray("mpp") << 0;
    QTest::newRow("moves one turn in three") << QByteArray("mmp") << 4;
    QTest::newRow("misses every other turn") << QByteArray("mp") << 5;
}

void TestServerPlay::missedTurnsCountOverTheLastSix()
{
    QFETCH(QByteArray, pattern);
    QFETCH(int, closedAtTurn);
    ServerConfig config = quick();
    // Long enough that a move sent at once never arrives late on a loaded machine.
    config.table.turnTime = 500ms;
    config.table.bots = 3;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *sleepy = players(server.port(), 1, &owner).first();
    int wrongScores = 0;
    countWrongScores({sleepy}, wrongScores);
    sleepy->autoPlay = false;
    int turns = 0, moves = 0;
    QObject::connect(sleepy, &ScriptedClient::turnBegins, sleepy, [&] {
        if (pattern[turns++ % pattern.size()] == 'p')
            sleepy->playMove(*sleepy->pickMove()), ++moves;
    });
    if (closedAtTurn > 0) {
        QTRY_VERIFY_WITH_TIMEOUT(disconnected(sleepy), 20000);
        QCOMPARE(sleepy->notices.last(), int(Wire::Disconnected));
        QCOMPARE(turns, closedAtTurn);  // the third miss within six turns ends it
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(sleepy->scores.size() >= 2, 30000);
    const QByteArray playedForIt = Wire::TilePlayed(sleepy->seat, 0).left(2);
    const qsizetype tilesPlayed
        = std::ranges::count_if(sleepy->received, [&](auto &m) { return m.startsWith(playedForIt); });
    QVERIFY2(tilesPlayed > moves && moves > 0, qPrintable(QStringLiteral("%1 %2").arg(tilesPlayed).arg(moves)));
    QVERIFY(turns >= 7);
    QVERIFY(!disconnected(sleepy));
    QCOMPARE(wrongScores, 0);
    QCOMPARE(refusals(sleepy), 0);
}

void TestServerPlay::refusedClientReadsNotice5AndACleanEnd_data()
{
    // How the server is set up, what is there before, and what the refused client sends
    // first; it sends more than the server reads before it refuses (5000 bytes on top),
    // which a close would answer with a reset.
    QTest::addColumn<int>("tables");
    QTest::addColumn<int>("perAddress");
    QTest::addColumn<int>("before");  // connections already there: joined players, or idle ones
    QTest::addColumn<bool>("beforeJoin");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("a name too short") << 0 << 0 << 0 << false << QByteArray("!@0AbV");
    QTest::newRow("a name of blanks") << 0 << 0 << 0 << false << QByteArray("!@0   V");
    QTest::newRow("a join without V") << 0 << 0 << 0 << false << QByteArray("!@0KiteBd6");
    QTest::newRow("too much garbage") << 0 << 0 << 0 << false << QByteArray(300, '?');
    QTest::newRow("the limit per address") << 0 << 2 << 2 << false << QByteArray("!@0KiteV");
    QTest::newRow("a full server") << 1 << 0 << 1 << true << QByteArray("!@0KiteV");
}

void TestServerPlay::refusedClientReadsNotice5AndACleanEnd()
{
    QFETCH(int, tables);
    QFETCH(int, perAddress);
    QFETCH(int, before);
    QFETCH(bool, beforeJoin);
    QFETCH(QByteArray, sent);
    ServerConfig config = quick();
    config.table.bots = 3;
    config.tables = tables;
    config.perAddress = perAddress;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    QList<ScriptedClient *> there;
    for (int i = 0; i < before; ++i) {
        there << new ScriptedClient("Pl" + QByteArray::number(i), &owner);
        there.last()->connectTo(server.port(), beforeJoin);
    }
    QTRY_VERIFY(std::ranges::all_of(there, [&](auto *c) {
        return beforeJoin ? c->seat >= 0 : c->socket().state() == QAbstractSocket::ConnectedState;
    }));
    RawClient refused(server.port());
    refused.send(sent + QByteArray(5000, 'x'));
    QTRY_COMPARE((refused.ended(), refused.got), QByteArray("C5"));
    refused.send("Bd6EcEd");  // what it still sends is read and dropped
    QTRY_VERIFY(refused.ended());
    QCOMPARE(refused.got, QByteArray("C5"));
    QCOMPARE(refused.end, 1);  // read returned 0: no reset
}

// Connections that never join are bounded apart from the players: they turn each other
// away, the oldest first, and leave the seats to the players who join.
void TestServerPlay::connectionsThatDoNotJoinLeaveRoomForPlayers()
{
    ServerConfig config = quick();
    config.tables = 2;
    config.table.bots = 3;
    config.unjoined = 4;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    QList<ScriptedClient *> idle;
    for (int i = 0; i < 6; ++i) {
        idle << new ScriptedClient("Idle", &owner);
        idle.last()->connectTo(server.port(), false);
        QTRY_VERIFY(idle.last()->socket().state() == QAbstractSocket::ConnectedState);
    }
    QTRY_VERIFY(disconnected(idle[0]) && disconnected(idle[1]));
    QCOMPARE(idle[0]->received, QByteArrayList{"C5"});
    const QList<ScriptedClient *> joined = players(server.port(), 2, &owner);
    QTRY_VERIFY(std::ranges::all_of(joined, [](auto *c) { return c->seat >= 0; }));
    QVERIFY(!disconnected(idle[5]));
    ScriptedClient *third = players(server.port(), 1, &owner).first();  // both tables are taken
    QTRY_VERIFY(disconnected(third));
    QCOMPARE(third->received, QByteArrayList{"C5"});
}

// With every descriptor taken, the server stops accepting instead of trying again on
// every pass of its loop, and takes the waiting connection once descriptors are free.
void TestServerPlay::descriptorLimitPausesAccepting()
{
    const LogCapture log;
    ServerConfig config = quick();
    config.table.bots = 3;
    Server server(config);
    QVERIFY(server.listen());
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    QObject owner;
    ScriptedClient *waiting = new ScriptedClient("Wait", &owner);
    waiting->connectTo(server.port());
    QList<int> taken;
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    limit.rlim_cur = rlim_t(lowestFree + 16);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
    for (int fd; (fd = ::dup(0)) >= 0;)
        taken << fd;
    QCOMPARE(errno, EMFILE);
    QTRY_COMPARE(LogCapture::count(QStringLiteral("accepting paused")), 1);
    QTest::qWait(300);  // a loop that tried on every pass would have logged again
    QCOMPARE(LogCapture::count(QStringLiteral("accepting paused")), 1);
    for (int fd : taken)
        ::close(fd);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
    QTRY_VERIFY(waiting->seat >= 0);
}

// A vanished peer is noticed within about 90 s also while data waits for its
// acknowledgement, where keep-alive sends no probe.
void TestServerPlay::acceptedSocketsBoundUnacknowledgedData()
{
    Server server(quick());
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *player = players(server.port(), 1, &owner).first();
    QTRY_VERIFY(player->seat >= 0);
    const QTcpSocket *accepted = acceptedSocket(server, player->socket());
    QVERIFY(accepted);
    QCOMPARE(socketOption(accepted, IPPROTO_TCP, TCP_USER_TIMEOUT), 90000);
    QCOMPARE(socketOption(accepted, SOL_SOCKET, SO_KEEPALIVE), 1);
    const int keepAlive = socketOption(accepted, IPPROTO_TCP, TCP_KEEPIDLE)
        + socketOption(accepted, IPPROTO_TCP, TCP_KEEPINTVL) * socketOption(accepted, IPPROTO_TCP, TCP_KEEPCNT);
    QCOMPARE(keepAlive, 90);  // the same 90 s when the line is silent
}

void TestServerPlay::threeMissedTurnsHandTheSeatToABot()
{
    ServerConfig config = quick();
    config.table.turnTime = 500ms;  // the honest players' moves must never come late
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), Seats, &owner);
    int wrongScores = 0;
    countWrongScores(clients, wrongScores);
    ScriptedClient *silent = clients[1];
    silent->autoPlay = false;
    QTRY_VERIFY_WITH_TIMEOUT(disconnected(silent), 10000);
    QCOMPARE(silent->received.count(Wire::WhoseMove(silent->seat)), 3);
    QCOMPARE(silent->received.count(Wire::ReasonTold(Wire::Reason::TimeUp)), 2);
    QCOMPARE(silent->received.mid(silent->received.size() - 2),
             QByteArrayList({Wire::ReasonTold(Wire::Reason::SeatTaken), Wire::NoticeMessage(Wire::Disconnected)}));
    for (const ScriptedClient *c : clients)
        if (c != silent)
            QTRY_COMPARE(c->names[silent->seat], Bot::Name(silent->seat));
    for (const ScriptedClient *c : {clients[0], clients[2], clients[3]}) {
        QTRY_VERIFY_WITH_TIMEOUT(!c->scores.isEmpty(), 20000);
        QCOMPARE(refusals(c), 0);
    }
    QCOMPARE(wrongScores, 0);
}

void TestServerPlay::withoutDeadlineTheTurnWaits()
{
    ServerConfig config = quick();
    config.table.bots = 3;
    config.table.turnTime.reset();
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *player = players(server.port(), 1, &owner).first();
    player->autoPlay = false;
    QTRY_VERIFY_WITH_TIMEOUT(player->turn, 10000);
    QTest::qWait(500);  // far beyond a bot's move: nobody plays for the player
    QVERIFY(player->turn);
    QCOMPARE(player->received.mid(player->received.size() - 3),
             QByteArrayList({Wire::WhoseMove(player->seat), Wire::Clock(player->seat, 0), Wire::TurnSwitch()}));
}

void TestServerPlay::ninthConnectionFromOneAddressIsRefused()
{
    ServerConfig config = quick();
    config.perAddress = ServerConfig().perAddress;
    QCOMPARE(config.perAddress, 8);
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> eight = players(server.port(), 8, &owner);
    QTRY_VERIFY(std::ranges::all_of(eight, [](auto *c) { return c->seat >= 0; }));
    const auto from = [&](const char *address) {
        auto *c = new ScriptedClient("Other", &owner);
        c->connectTo(server.port(), true, QHostAddress(QString::fromLatin1(address)));
        return c;
    };
    ScriptedClient *ninth = from("127.0.0.1");
    ScriptedClient *elsewhere = from("127.0.0.2");
    QTRY_VERIFY(disconnected(ninth));
    QCOMPARE(ninth->received, QByteArrayList{"C5"});
    QTRY_VERIFY(elsewhere->seat >= 0);

    eight[0]->socket().abort();  // a place comes free once the server sees it go: a bot takes the seat
    QTRY_VERIFY(std::any_of(eight.begin() + 1, eight.end(),
                            [&](auto *c) { return c->names[eight[0]->seat] == Bot::Name(eight[0]->seat); }));
    const ScriptedClient *later = from("127.0.0.1");
    QTRY_VERIFY(later->seat >= 0);
}

void TestServerPlay::hostileNamesAreRefusedAndTheLogIsEscaped()
{
    const LogCapture log;
    ServerConfig config = quick();
    config.table.bots = 2;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    QList<ScriptedClient *> clients;
    for (const QByteArray name : {"Ki\x1b[?1049h", "Ab", "Abcdefgh", "Ki\x9bte", "Jos\xe9", "\xc9lo\xefse"}) {
        clients << new ScriptedClient(name, &owner);
        clients.last()->connectTo(server.port());
    }
    for (int i = 0; i < 4; ++i) {
        QTRY_VERIFY(disconnected(clients[i]));
        QCOMPARE(clients[i]->received, QByteArrayList{"C5"});
    }
    QTRY_VERIFY(clients[5]->seat >= 0);
    QTRY_COMPARE(clients[4]->names[clients[5]->seat], "\xc9lo\xefse");
    auto *garbage = new ScriptedClient("G", &owner);
    garbage->connectTo(server.port(), false);
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    QObject::connect(&garbage->socket(), &QTcpSocket::connected, garbage, [&] { garbage->send(every + every); });
    QTRY_VERIFY(disconnected(garbage));

    const QString all = LogCapture::lines.join('\n');
    QVERIFY(all.contains(QStringLiteral("refused: a name with a control character")));
    QVERIFY(all.contains(QStringLiteral(">> !@0Ki\\x1b[?1049h")));
    QVERIFY(all.contains(QStringLiteral("joins as Jos\u00e9")));
    for (const QString &line : LogCapture::lines)
        for (const QChar c : line)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() != 0x7f && (c.unicode() < 0x80 || c.unicode() >= 0xa0),
                     qPrintable(Escaped(line.toLatin1())));
}

void TestServerPlay::waitFillsSeatsWithBots()
{
    ServerConfig config = quick();
    config.table.wait = 1s;
    Server server(config);
    QVERIFY(server.listen());
    QObject owner;
    ScriptedClient *alone = players(server.port(), 1, &owner).first();
    QTRY_VERIFY_WITH_TIMEOUT(alone->received.contains("D"), 5000);
    for (int seat = 1; seat < Seats; ++seat)
        QCOMPARE(alone->names[seat], Bot::Name(seat));
}

void TestServerPlay::manyTablesAtOnce()
{
    Server server(quick());
    QVERIFY(server.listen());
    QObject owner;
    const QList<ScriptedClient *> clients = players(server.port(), 30 * Seats, &owner);
    QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(clients, [](auto *c) { return !c->scores.isEmpty(); }), 120000);
    for (const ScriptedClient *c : clients)
        QCOMPARE(refusals(c), 0);
}

void TestServerPlay::programRunsFromTheCommandLine()
{
    const QString program = QStringLiteral(KELMAR_OUT_DIR "/ServerKelmar");
    QCOMPARE(QProcess::execute(program, {"--bots", "4"}), 2);
    QCOMPARE(QProcess::execute(program, {"--match", "1000"}), 2);  // totals travel as three digits
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    QProcess refused;
    refused.start(program, {"--port", QString::number(holder.serverPort())});
    QVERIFY(refused.waitForFinished(10000));
    QCOMPARE(refused.exitCode(), 1);
    QVERIFY(refused.readAllStandardError().contains(
        QStringLiteral("cannot listen on 127.0.0.1:%1: the port is taken").arg(holder.serverPort()).toLatin1()));

    QProcess server;
    server.start(program, {"--port", "0", "--games", "1", "--pause", "100", "--seed", "3", "--turn-time", "0"});
    QRegularExpressionMatch listening;
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT(
        (log += server.readAllStandardError(),
         listening = QRegularExpression("listening on 127.0.0.1:(\\d+)").match(QString::fromLatin1(log)))
            .hasMatch(),
        10000);
    QObject owner;
    ScriptedClient *player = players(quint16(listening.captured(1).toUInt()), Seats, &owner).first();
    QTRY_COMPARE_WITH_TIMEOUT(server.state(), QProcess::NotRunning, 60000);
    QCOMPARE(server.exitCode(), 0);
    log += server.readAllStandardError();
    QVERIFY(log.contains("joins as Pl0"));
    QVERIFY(log.contains("table 1: game 1 ends"));
    QTRY_VERIFY(disconnected(player));
    QCOMPARE(player->scores.size(), 1);
    QCOMPARE(player->notices.last(), int(Wire::Disconnected));
    QVERIFY(player->received.contains(Wire::Clock(player->seat, 0)));  // --turn-time 0: no deadline
}

// Every test runs on the server's own event dispatcher.
int main(int argc, char *argv[])
{
    QCoreApplication::setEventDispatcher(new EpollDispatcher);
    QCoreApplication app(argc, argv);
    TestServerPlay test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_server_play.moc"
