#pragma once
// One table: four seats, each a connected player or a bot, and the games played at it.
// It greets the players, deals, says whose move it is, checks and relays every move,
// passes players who cannot move, ends each game with its notice and the scores, and
// starts the next game after a pause.
#include "Game.h"

#include <QByteArrayList>
#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <random>

class Connection;

struct TableConfig {
    int bots = 0;                             // seats that bots take when the table opens
    std::chrono::seconds wait{0};             // then bots take the free seats; 0: never
    std::chrono::milliseconds botDelay{800};  // a bot's time to think, so players can follow
    // After a game's end notice until the scores, and again until the next game. The
    // client shows notice 1 in a panel that holds its event loop for over a second; a
    // message sent then would be joined with the next one in a single read.
    std::chrono::milliseconds pause{3000};
};

class Table : public QObject {
    Q_OBJECT
public:
    Table(int number, const TableConfig &config, std::uint32_t seed, QObject *parent = nullptr);

    int number() const { return number_; }
    bool open() const;    // it waits for players and has a free seat
    int players() const;  // the connected ones
    void seat(Connection *client, const QByteArray &name);
    void stop();  // no further step; the table is about to go

signals:
    void gameOver();  // a game has ended and its scores are sent
    void empty();     // every player has left

private:
    struct Seat {
        Connection *client = nullptr;  // null for a bot or a free seat
        QByteArray name;               // empty for a free seat
        QByteArrayList move;           // the messages of the move being received
    };
    static constexpr int MaxMoveMessages = 8;

    void leave(Connection *client, const QString &reason);
    void receive(Connection *client, const QByteArray &message);
    void takeMove(int seat, const QByteArray &message);
    void refuse(int seat, Fault fault);
    void fillWithBots();
    void startGame();
    void offerTurn();
    void botMove();
    void play(const Placed &move);
    void endGame();
    void sendScores();

    void toPlayers(const QByteArray &message);
    void after(std::chrono::milliseconds delay, std::function<void()> step);
    int seatOf(const Connection *client) const;
    QString who(int seat) const;
    void log(const QString &text) const;

    int number_;
    TableConfig config_;
    std::mt19937 random_;
    std::array<Seat, Seats> seats_;
    std::optional<Game> game_;
    int games_ = 0;
    bool started_ = false;
    QTimer waitTimer_;
    QTimer stepTimer_;  // the table's one pending step: a bot's move, the scores, the next game
    std::function<void()> step_;
};
