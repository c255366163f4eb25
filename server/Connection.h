#pragma once
// One client's connection: reads its stream into messages within fixed bounds, paces
// what is sent to it, and reports when it joins, what it sends and when it is gone.
#include "ClientStream.h"
#include "Outbox.h"
#include "Player.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>

// What one client may cost. Memory per client stays below readBuffer + maxOutput plus
// a few bytes of parser state: Qt reads no more than readBuffer ahead, and a client
// whose unsent output passes maxOutput (it does not read) is dropped.
struct ClientLimits {
    std::chrono::milliseconds pause = DefaultPause;  // around each "^" message: see Outbox.h
    std::chrono::milliseconds joinTimeout{10000};    // from connecting to the join's "V"
    qsizetype readBuffer = 4096;
    qsizetype maxOutput = 64 * 1024;
    int maxGarbage = 256;             // bytes that start no message, over the connection's life
    qsizetype burst = 4096;           // bytes the client may send at once ...
    qsizetype bytesPerSecond = 1024;  // ... and on average; more is a flood, and the client is closed
    // After its last message a closed client has this long, and may send this much, until
    // the connection is cut: see Connection::shutDownWhenWritten.
    std::chrono::milliseconds linger{2000};
    qsizetype lingerBytes = 64 * 1024;
};

class Connection : public Player {
    Q_OBJECT
public:
    Connection(QTcpSocket *socket, const ClientLimits &limits, QObject *parent = nullptr);

    QString label() const override { return label_; }  // for the log: "#7 127.0.0.1:40312"
    QByteArray address() const override { return address_; }

    void send(const QByteArray &message) override;
    void finish(const QByteArray &last = {}) override;
    // Logs why the client is turned away, sends it notice 5 and closes.
    void turnAway(const QString &reason);
    // Closes at once, without a last message; `gone` follows with the reason.
    void drop(const QString &reason);

signals:
    void joined(const QByteArray &name);  // a valid join and its "V"

private:
    void read();
    bool withinBudget(qsizetype bytes);
    void shutDownWhenWritten();
    void reportGone(const QString &reason);

    QTcpSocket *socket_;
    ClientLimits limits_;
    QByteArray address_;  // kept: the socket forgets it once closed
    QString label_;
    ClientStream stream_;
    Outbox outbox_;
    QTimer joinTimer_;
    QElapsedTimer budgetClock_;
    double budget_;
    int garbage_ = 0;
    qsizetype discarded_ = 0;  // bytes read after finish()
    bool closing_ = false;     // nothing more is sent or taken
    bool finishing_ = false;   // finish() was called
    bool lingering_ = false;   // the sending side is shut
    bool gone_ = false;
};
