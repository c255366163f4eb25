#pragma once
// A player over TCP for the server's tests and its load benchmark. It joins as the
// client program does, keeps its own view of the table from the server's messages alone
// (the hand switched on and off by F, the chain by B and E) and, when its turn begins,
// plays the heaviest tile that fits, with the messages the client program sends.
#include "Game.h"

#include <QByteArrayList>
#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>
#include <array>
#include <optional>

class ScriptedClient : public QObject {
    Q_OBJECT
public:
    explicit ScriptedClient(const QByteArray &name, QObject *parent = nullptr);

    // join: send the join and "V" once connected; from: the local address to connect from.
    void connectTo(quint16 port, bool join = true, const QHostAddress &from = QHostAddress::LocalHost);
    void send(const QByteArray &bytes);
    QTcpSocket &socket() { return socket_; }
    const QTcpSocket &socket() const { return socket_; }
    // The move it would make now from its own view; none when no tile fits.
    std::optional<Placed> pickMove() const;
    void playMove(const Placed &move);

    bool autoPlay = true;
    bool knowsExtensions = true;  // false: an extension opcode is one character passed over, as in the game's own walk
    bool announced = false;       // the server announced its extensions on this connection
    QByteArray name;
    int seat = -1;                         // from the greeting
    std::array<QByteArray, Seats> names;   // by seat index, from ^@
    Hand hand{};                           // by slot - 1, 0 once played (by it or by a bot for it)
    int mover = -1;                        // from J
    QByteArrayList received;               // every message, in order
    QByteArrayList reads;                  // every read as it came
    QList<std::array<int, Seats>> scores;  // one entry per finished game, by seat index
    QList<int> notices;
    int dataJoined = 0;  // reads that began with "^" and held more than one message
    bool turn = false;

signals:
    void turnBegins();
    void moveSent(const Placed &move);
    void chainHalf(int mover, char position);  // a B message arrived
    void gameOver();
    void closed();

private:
    void read();
    void handle(const QByteArray &message);
    void switchHand();
    bool occupied(int position) const;

    QTcpSocket socket_;
    QByteArray carry_;
    std::array<bool, Rules::HandSize> on_{};
    std::array<bool, Rules::RingSize + 1> occupied_{};
    std::array<std::uint8_t, Rules::RingSize + 1> pips_{};
    std::array<int, Seats> score_{};
};
