#pragma once
// The listening side: accepts connections, seats every player who has joined at a table
// that waits for players (opening a new one when none does), refuses connections beyond
// the table limit or the limit per address with notice 5, and stops after a given number
// of games.
#include "Connection.h"
#include "Table.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <optional>

struct ServerConfig {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 18113;
    std::optional<std::uint32_t> seed;  // repeatable deals: table n deals from seed + n
    int games = 0;                      // stop after this many games; 0: run until stopped
    int tables = 500;                   // at most this many tables; 0: no limit
    int perAddress = 8;                 // connections from one address at once; 0: no limit
    TableConfig table;
    ClientLimits client;
};

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
    void seat(Connection *client, const QByteArray &name);
    void forget(Connection *client, const QString &reason);
    QString refusal(const Connection *client) const;  // why a new connection is not taken; empty if it is
    Table *openTable();
    void countGame();
    void stop();

    ServerConfig config_;
    QTcpServer listener_;
    QList<Connection *> clients_;         // joining or seated
    QHash<QByteArray, int> fromAddress_;  // clients_ by address
    QList<Table *> tables_;
    int tablesOpened_ = 0;
    int gamesPlayed_ = 0;
    bool stopping_ = false;
};
