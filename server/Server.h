#pragma once
// The listening side: accepts connections, seats every player who has joined at a table
// that waits for players (opening a new one when none does), refuses connections when
// every table is full or beyond the limit per address with notice 5, turns the oldest
// connection that has not joined away when too many wait to join, and stops after a
// given number of games. When the system has no descriptor left for a new connection,
// it stops accepting until a connection closes or a second has passed.
#include "Connection.h"
#include "Table.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>
#include <memory>
#include <optional>

struct ServerConfig {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 18113;
    std::optional<std::uint32_t> seed;  // repeatable deals: table n deals from seed + n
    int games = 0;                      // stop after this many games; 0: run until stopped
    int tables = 500;                   // at most this many tables; 0: no limit
    int perAddress = 8;                 // connections from one address group at once; 0: no limit
    int unjoined = 256;                 // connections that have not joined yet; 0: no limit
    TableConfig table;
    ClientLimits client;
};

// What the limit per address counts a peer's address as: an IPv4 address itself, an
// IPv6 address by its /64 prefix, which is what one household or one machine gets.
QByteArray AddressGroup(const QByteArray &address);

class Server : public QObject {
    Q_OBJECT
public:
    explicit Server(const ServerConfig &config, QObject *parent = nullptr);

    bool listen();  // logs why when it fails
    quint16 port() const { return listener_.serverPort(); }

signals:
    void finished();  // the games are played and every client is gone

private:
    void accept();
    void pauseAccepting(const QString &why);
    void resumeAccepting();
    void admit(Connection *client);
    void seat(Connection *client, const QByteArray &name);
    void forget(Connection *client, const QString &reason);
    QString refusal(const Connection *client) const;  // why a new connection is not taken; empty if it is
    bool full() const;                                // no table has or may open a free seat
    Table *openTable();
    void countGame();
    void stop();

    ServerConfig config_;
    QTcpServer listener_;
    QList<Connection *> clients_;                      // joining or seated
    QList<Connection *> unjoined_;                     // those of clients_ that have not joined, the oldest first
    QHash<QByteArray, int> fromAddress_;               // clients_ by AddressGroup
    std::unique_ptr<QSocketNotifier> acceptNotifier_;  // the listening socket's readiness
    QTimer acceptRetry_;                               // after accept() failed for want of a descriptor
    QList<Table *> tables_;
    int tablesOpened_ = 0;
    int gamesPlayed_ = 0;
    bool stopping_ = false;
};
