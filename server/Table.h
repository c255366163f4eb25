#pragma once
// One table: four seats, each a connected player or a bot, and the games played at it.
// It greets the players, deals, says whose move it is, checks and relays every move,
// passes players who cannot move, ends each game with its notice and the scores, and
// starts the next game after a pause. A player who lets the turn time pass has a bot
// play that turn; after three such turns within its last six a bot takes the seat for
// good, and so it does for a player who sends more refused moves than anyone plays by.
#include "Game.h"
#include "Limits.h"

#include <QByteArrayList>
#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <random>

class Player;

struct TableConfig {
    int bots = 0;                             // seats that bots take when the table opens
    std::chrono::seconds wait{0};             // then bots take the free seats; 0: never
    std::chrono::milliseconds botDelay{800};  // a bot's time to think, so players can follow
    // After a game's end notice until the scores, and again until the next game. The
    // client shows notice 1 in a panel that holds its event loop for over a second; a
    // message sent then would be joined with the next one in a single read.
    std::chrono::milliseconds pause{3000};
    // A player's time for a move, from the turn switch on; then a bot plays the turn.
    // None: a player may take as long as it likes.
    std::optional<std::chrono::milliseconds> turnTime{60000};
    // A match ends when a seat's total of scores reaches this; the lowest total wins.
    // 0: single games, each its own.
    int match = 100;
    // A player whose connection drops during a game may take its seat back this long,
    // while a bot plays it; 0: a bot keeps it at once.
    std::chrono::seconds rejoin{300};
};

class Table : public QObject {
    Q_OBJECT
public:
    Table(int number, const TableConfig &config, std::uint32_t seed, QObject *parent = nullptr);

    int number() const { return number_; }
    bool open() const;    // it waits for players and has a free seat
    int players() const;  // the connected ones
    void seat(Player *client, const QByteArray &name);
    // Gives a player whose connection dropped its seat back, at the next move boundary,
    // when the name and the address are those of a seat held for it; false when none is.
    bool reclaim(Player *client, const QByteArray &name);
    void stop();                                               // no further step; the table is about to go
    const std::optional<Game> &game() const { return game_; }  // the game in play or the last one

signals:
    void gameOver();  // a game has ended and its scores are sent
    void empty();     // every player has left

private:
public:
    // A player who misses this many of its last TurnHistory turns is closed.
    static constexpr int MaxMissedTurns = 3;
    static constexpr int TurnHistory = 6;
    // A player whose refused moves pass MaxRefusals within RefusalWindow is closed. A
    // player who drags a tile to the wrong place is refused by its own client, which
    // sends no move; the server refuses moves only when the two disagree (a tile that a
    // bot played for the player), which honest play does a few times a game at most.
    static constexpr int MaxRefusals = 20;
    static constexpr std::chrono::seconds RefusalWindow{60};

private:
    struct Seat {
        explicit Seat(Player *player = nullptr, QByteArray name = {}) : client(player), name(std::move(name)) {}
        Player *client = nullptr;  // null for a bot or a free seat
        QByteArray name;           // empty for a free seat
        QByteArrayList move;       // the messages of the move being received
        quint8 turns = 0;          // the player's last turns, the latest in bit 0: 1 for a missed one
        RecentEvents refusals{MaxRefusals, RefusalWindow};
        // While the seat waits for the player whose connection dropped: its name, its
        // address, until when (SteadyNow), and the connection it came back on.
        struct Held {
            QByteArray name, address;
            qint64 until = 0;
            Player *returning = nullptr;
        };
        std::optional<Held> held;
    };
    static constexpr int MaxMoveMessages = 8;

    void leave(Player *client, const QString &reason);
    void handToBot(int seat, const Player *dropped = nullptr);  // dropped: hold the seat for it
    void endHolds();
    QList<int> takeBackReturning();
    void takeBack(int seat);
    void replay(int seat, Player *client) const;
    void receive(Player *client, const QByteArray &message);
    void takeMove(int seat, const QByteArray &message);
    void refuse(int seat, Fault fault);
    void noteTurn(int seat, bool missed);
    void close(int seat, const QString &why, const QByteArray &reason = {});  // reason: sent before notice 5
    void fillWithBots();
    void startGame();
    void offerTurn();
    void turnTimeUp();
    void botMove();
    void playFor(int seat);
    void play(const Placed &move);
    void endGame(int lastMover);
    void sendScores();
    void sendTotals();
    QByteArray totals(int winner) const;  // winner: a seat index, -1 while the match goes on

    int clockSeconds() const;
    int moverClock(int mover) const;
    void toPlayers(const QByteArray &message);
    void after(std::chrono::milliseconds delay, std::function<void()> step);
    int seatOf(const Player *client) const;
    // A log line about this table: "table 1: " and the parts, each a string, a number or
    // a seat as the log names it, "seat 2 (Bruno, bot)".
    struct Who {
        int seat;
    };
    template <typename... Parts> QString line(const Parts &...parts) const;
    template <typename... Parts> void log(const Parts &...parts) const;
    static void add(QString &text, QStringView part) { text += part; }
    static void add(QString &text, QLatin1StringView part) { text += part; }
    static void add(QString &text, int number);
    void add(QString &text, Who who) const;

    int number_;
    TableConfig config_;
    std::mt19937 random_;
    std::array<Seat, Seats> seats_;
    std::optional<Game> game_;
    int games_ = 0;
    std::array<int, Seats> totals_{};  // the match's, by seat
    bool started_ = false;
    QTimer waitTimer_;
    QTimer turnTimer_;   // the deadline of a connected player's move
    QTimer graceTimer_;  // the end of the earliest hold of a seat
    QTimer stepTimer_;   // the table's one pending step: a bot's move, the scores, the next game
    std::function<void()> step_;
};
