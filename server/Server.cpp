#include "Server.h"

#include "Log.h"
#include "Wire.h"

#include <random>

Server::Server(const ServerConfig &config, QObject *parent) : QObject(parent), config_(config)
{
    connect(&listener_, &QTcpServer::newConnection, this, &Server::accept);
}

bool Server::listen()
{
    if (!listener_.listen(config_.address, config_.port)) {
        qCCritical(lcServer).noquote() << QStringLiteral("cannot listen on %1:%2: %3")
                                              .arg(config_.address.toString())
                                              .arg(config_.port)
                                              .arg(listener_.errorString());
        return false;
    }
    qCInfo(lcServer).noquote() << QStringLiteral("listening on %1:%2").arg(config_.address.toString()).arg(port());
    return true;
}

void Server::accept()
{
    while (QTcpSocket *socket = listener_.nextPendingConnection()) {
        auto *client = new Connection(socket, config_.client, this);
        connect(client, &Connection::gone, this, [this, client](const QString &reason) { forget(client, reason); });
        if (const QString why = refusal(client); !why.isEmpty()) {
            qCInfo(lcServer).noquote() << client->label() << "refused:" << why;
            client->finish(Wire::NoticeMessage(Wire::Disconnected));
            continue;
        }
        qCInfo(lcServer).noquote() << client->label() << "connects";
        clients_.append(client);
        ++fromAddress_[client->address()];
        connect(client, &Connection::joined, this, [this, client](const QByteArray &name) { seat(client, name); });
    }
}

QString Server::refusal(const Connection *client) const
{
    if (stopping_)
        return QStringLiteral("the server is stopping");
    if (config_.tables > 0 && clients_.size() >= config_.tables * (Seats - config_.table.bots))
        return QStringLiteral("the server is full");
    if (config_.perAddress > 0 && fromAddress_.value(client->address()) >= config_.perAddress)
        return QStringLiteral("%1 connections from that address already").arg(config_.perAddress);
    return {};
}

void Server::forget(Connection *client, const QString &reason)
{
    qCInfo(lcServer).noquote() << client->label() << "is gone:" << reason;
    client->deleteLater();
    if (!clients_.removeOne(client))
        return;
    if (--fromAddress_[client->address()] == 0)
        fromAddress_.remove(client->address());
    if (stopping_ && clients_.isEmpty())
        emit finished();
}

void Server::seat(Connection *client, const QByteArray &name)
{
    qCInfo(lcServer).noquote() << client->label() << "joins as" << Escaped(name);
    if (Table *table = openTable())
        return table->seat(client, name);
    qCInfo(lcServer).noquote() << client->label() << "refused: every table is taken";
    client->finish(Wire::NoticeMessage(Wire::Disconnected));
}

Table *Server::openTable()
{
    for (Table *table : std::as_const(tables_))
        if (table->open())
            return table;
    if (config_.tables > 0 && tables_.size() >= config_.tables)
        return nullptr;
    const int number = ++tablesOpened_;
    const std::uint32_t seed = config_.seed ? *config_.seed + std::uint32_t(number) : std::random_device{}();
    auto *table = new Table(number, config_.table, seed, this);
    tables_.append(table);
    connect(table, &Table::gameOver, this, &Server::countGame);
    connect(table, &Table::empty, this, [this, table] {
        qCInfo(lcServer).noquote() << QStringLiteral("table %1 closes").arg(table->number());
        tables_.removeOne(table);
        table->deleteLater();
    });
    qCInfo(lcServer).noquote() << QStringLiteral("table %1 opens").arg(number);
    return table;
}

void Server::countGame()
{
    if (++gamesPlayed_ == config_.games)
        stop();
}

void Server::stop()
{
    qCInfo(lcServer).noquote() << QStringLiteral("%1 games played, stopping").arg(gamesPlayed_);
    stopping_ = true;
    listener_.close();
    for (Table *table : std::as_const(tables_)) {
        table->stop();
        table->deleteLater();
    }
    tables_.clear();
    for (Connection *client : std::as_const(clients_))
        client->finish(Wire::NoticeMessage(Wire::Disconnected));
    if (clients_.isEmpty())
        emit finished();
}
