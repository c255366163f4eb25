#include "Server.h"

#include "Log.h"
#include "Wire.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

QByteArray AddressGroup(const QByteArray &address)
{
    const QHostAddress host(QString::fromLatin1(address));
    if (host.protocol() != QAbstractSocket::IPv6Protocol)
        return address;
    Q_IPV6ADDR bytes = host.toIPv6Address();
    std::fill(std::begin(bytes.c) + 8, std::end(bytes.c), quint8(0));
    return QHostAddress(bytes).toString().toLatin1() + "/64";
}

Server::Server(const ServerConfig &config, QObject *parent) : QObject(parent), config_(config)
{
    acceptRetry_.setSingleShot(true);
    acceptRetry_.setInterval(1000);
    connect(&acceptRetry_, &QTimer::timeout, this, &Server::resumeAccepting);
}

bool Server::listen()
{
    if (!listener_.listen(config_.address, config_.port)) {
        const bool taken = listener_.serverError() == QAbstractSocket::AddressInUseError;
        qCCritical(lcServer).noquote() << QStringLiteral("cannot listen on %1:%2: %3")
                                              .arg(config_.address.toString())
                                              .arg(config_.port)
                                              .arg(taken
                                                       ? QStringLiteral("the port is taken, another program "
                                                                        "(perhaps another ServerKelmar) listens there")
                                                       : listener_.errorString());
        return false;
    }
    qCInfo(lcServer).noquote() << QStringLiteral("listening on %1:%2").arg(config_.address.toString()).arg(port());
    listener_.pauseAccepting();  // the server accepts by itself: see accept()
    acceptNotifier_ = std::make_unique<QSocketNotifier>(listener_.socketDescriptor(), QSocketNotifier::Read);
    connect(acceptNotifier_.get(), &QSocketNotifier::activated, this, &Server::accept);
    return true;
}

// Qt's QTcpServer takes the failure of accept() for want of a descriptor (EMFILE,
// ENFILE) as passing and tries again on every pass of the event loop, which keeps a core
// busy until a descriptor frees. So the server accepts by itself, and when the system
// has no descriptor for a new connection it stops watching the listening socket until a
// connection closes or a second has passed.
void Server::accept()
{
    for (;;) {
        const int descriptor
            = ::accept4(int(listener_.socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                pauseAccepting(QString::fromLocal8Bit(std::strerror(errno)));
            return;  // nothing more waits, or the next readiness tries again
        }
        auto *socket = new QTcpSocket;
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            ::close(descriptor);
            continue;
        }
        auto *client = new Connection(socket, config_.client, this);
        connect(client, &Connection::gone, this, [this, client](const QString &reason) { forget(client, reason); });
        if (const QString why = refusal(client); !why.isEmpty())
            client->turnAway(why);
        else
            admit(client);
    }
}

void Server::pauseAccepting(const QString &why)
{
    acceptNotifier_->setEnabled(false);
    qCInfo(lcServer).noquote()
        << QStringLiteral("cannot accept: %1; accepting paused until a connection closes").arg(why);
    acceptRetry_.start();
}

void Server::resumeAccepting()
{
    acceptRetry_.stop();
    if (!stopping_)
        acceptNotifier_->setEnabled(true);
}

// Takes a connection in. Connections that have not joined yet are bounded apart from
// the players: when too many wait, the one that has waited longest goes, since a client
// joins as soon as it has connected.
void Server::admit(Connection *client)
{
    qCInfo(lcServer).noquote() << client->label() << "connects";
    clients_.append(client);
    ++fromAddress_[AddressGroup(client->address())];
    if (config_.unjoined > 0 && unjoined_.size() >= config_.unjoined)
        unjoined_.takeFirst()->turnAway(
            QStringLiteral("the oldest of %1 connections that have not joined").arg(config_.unjoined));
    unjoined_.append(client);
    connect(client, &Connection::joined, this, [this, client](const QByteArray &name) {
        unjoined_.removeOne(client);
        seat(client, name);
    });
}

QString Server::refusal(const Connection *client) const
{
    if (stopping_)
        return QStringLiteral("the server is stopping");
    if (full())
        return QStringLiteral("the server is full");
    if (config_.perAddress > 0 && fromAddress_.value(AddressGroup(client->address())) >= config_.perAddress)
        return QStringLiteral("%1 connections from that address already").arg(config_.perAddress);
    return {};
}

bool Server::full() const
{
    return config_.tables > 0 && tables_.size() >= config_.tables
        && std::ranges::none_of(tables_, [](const Table *table) { return table->open(); });
}

void Server::forget(Connection *client, const QString &reason)
{
    qCInfo(lcServer).noquote() << client->label() << "is gone:" << reason;
    client->deleteLater();
    if (!clients_.removeOne(client))
        return;
    unjoined_.removeOne(client);
    const QByteArray group = AddressGroup(client->address());
    if (--fromAddress_[group] == 0)
        fromAddress_.remove(group);
    if (acceptRetry_.isActive())  // its descriptor is free now
        resumeAccepting();
    if (stopping_ && clients_.isEmpty())
        emit finished();
}

void Server::seat(Connection *client, const QByteArray &name)
{
    qCInfo(lcServer).noquote() << client->label() << "joins as" << Escaped(name);
    for (Table *table : std::as_const(tables_))
        if (table->reclaim(client, name))
            return;
    if (Table *table = openTable())
        return table->seat(client, name);
    client->turnAway(QStringLiteral("every table is taken"));
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
    acceptRetry_.stop();
    acceptNotifier_.reset();
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
