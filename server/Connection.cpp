#include "Connection.h"

#include "Log.h"
#include "Wire.h"

#include <QAbstractEventDispatcher>
#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {
int nextNumber = 1;

// The sockets written to since the event loop last waited. Qt would write a socket's
// buffer once the loop finds it writable, one more pass of the loop after each step of
// the game; writing them all just before the loop waits again saves that pass and
// still gives each player one write per step.
QList<QPointer<QTcpSocket>> written;

void flushWritten()
{
    for (const QPointer<QTcpSocket> &socket : std::exchange(written, {}))
        if (socket)
            socket->flush();
}

void write(QTcpSocket *socket, const QByteArray &bytes)
{
    static const auto hook
        = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, flushWritten);
    if (socket->bytesToWrite() == 0)
        written.append(socket);
    socket->write(bytes);
}

// The peer's address as the other players see it: an IPv4 address in its dotted form
// also when the socket reports it mapped into IPv6.
QByteArray peerAddress(const QTcpSocket &socket)
{
    const QHostAddress peer = socket.peerAddress();
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return (isV4 ? QHostAddress(v4) : peer).toString().toLatin1();
}

// A peer that vanished without closing (a cut cable, a dead machine) is noticed within
// about 90 s instead of the system's defaults of two hours when the line is silent
// (keep-alive) and about 15 minutes when data waits for its acknowledgement (the
// retransmissions, which keep-alive does not cover). The user timeout bounds both: once
// nothing the server sent has been acknowledged for 90 s, keep-alive probe or data, the
// system ends the connection. Keep-alive's first probe goes after 60 s of silence, so
// that its probes (every 10 s) fall within the 90 s.
void shortenKeepAlive([[maybe_unused]] qintptr descriptor)
{
#ifdef Q_OS_LINUX
    const int idle = 60, interval = 10, count = 3;
    const unsigned userTimeoutMs = 90000;
    setsockopt(int(descriptor), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(int(descriptor), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(int(descriptor), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    setsockopt(int(descriptor), IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
#endif
}

void shutDownSending([[maybe_unused]] qintptr descriptor)
{
#ifdef Q_OS_UNIX
    ::shutdown(int(descriptor), SHUT_WR);
#endif
}
}  // namespace

Connection::Connection(QTcpSocket *socket, const ClientLimits &limits, QObject *parent)
    : Player(parent), socket_(socket), limits_(limits), address_(peerAddress(*socket)),
      label_(
          QStringLiteral("#%1 %2:%3")
              .arg(QString::number(nextNumber++), QString::fromLatin1(address_), QString::number(socket->peerPort()))),
      outbox_([this](const QByteArray &bytes) { write(socket_, bytes); }, limits.pause, this),
      budget_(double(limits.burst))
{
    socket_->setParent(this);
    socket_->setReadBufferSize(limits_.readBuffer);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    shortenKeepAlive(socket_->socketDescriptor());
    budgetClock_.start();
    joinTimer_.setSingleShot(true);
    connect(&joinTimer_, &QTimer::timeout, this,
            [this] { turnAway(QStringLiteral("no join within the time allowed")); });
    joinTimer_.start(limits_.joinTimeout);
    connect(socket_, &QTcpSocket::readyRead, this, &Connection::read);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        reportGone(finishing_ ? QStringLiteral("closed by the server") : QStringLiteral("closed the connection"));
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            reportGone(socket_->errorString());
    });
}

void Connection::send(const QByteArray &message)
{
    if (closing_)
        return;
    qCDebug(lcWire).noquote() << label_ << "<<" << Escaped(message);
    outbox_.send(message);
    if (outbox_.pending() + socket_->bytesToWrite() > limits_.maxOutput)
        drop(QStringLiteral("does not read what it is sent"));
}

void Connection::finish(const QByteArray &last)
{
    if (!last.isEmpty())
        send(last);
    if (closing_)
        return;
    closing_ = finishing_ = true;
    joinTimer_.stop();
    connect(&outbox_, &Outbox::drained, this, &Connection::shutDownWhenWritten);
    connect(socket_, &QTcpSocket::bytesWritten, this, &Connection::shutDownWhenWritten);
    shutDownWhenWritten();
    QTimer::singleShot(5000, this, [this] {
        if (!lingering_)
            drop(QStringLiteral("did not take its last messages"));
    });
}

void Connection::turnAway(const QString &reason)
{
    qCInfo(lcServer).noquote() << label_ << "refused:" << reason;
    finish(Wire::NoticeMessage(Wire::Disconnected));
}

// Once the system holds every byte sent, the sending side is shut: the end of the stream
// follows the last message. Closing the socket instead would reset the connection when
// the client's bytes arrive after the close or wait unread, and a reset can make the
// client's system throw away the last messages before the client reads them. So what
// the client still sends is read and dropped until it closes its side too, or for
// limits.linger at most, or until it has sent limits.lingerBytes.
void Connection::shutDownWhenWritten()
{
    if (lingering_ || outbox_.pending() > 0 || gone_)
        return;
    socket_->flush();
    if (socket_->bytesToWrite() > 0)
        return;  // bytesWritten comes back here
    lingering_ = true;
    shutDownSending(socket_->socketDescriptor());
    QTimer::singleShot(limits_.linger, this, [this] { drop(QStringLiteral("closed by the server")); });
}

void Connection::drop(const QString &reason)
{
    reportGone(reason);
    socket_->abort();
}

void Connection::reportGone(const QString &reason)
{
    if (gone_)
        return;
    gone_ = true;
    closing_ = true;
    joinTimer_.stop();
    reportHeldBack();
    QMetaObject::invokeMethod(
        this, [this, reason] { emit gone(reason); }, Qt::QueuedConnection);
}

bool Connection::withinBudget(qsizetype bytes)
{
    budget_ = std::min(double(limits_.burst), budget_ + budgetClock_.restart() * double(limits_.bytesPerSecond) / 1000);
    budget_ -= double(bytes);
    return budget_ >= 0;
}

void Connection::read()
{
    const QByteArray bytes = socket_->readAll();
    if (closing_) {
        discarded_ += bytes.size();
        if (discarded_ > limits_.lingerBytes && !gone_)
            drop(QStringLiteral("sent more than %1 bytes after its close").arg(limits_.lingerBytes));
        return;
    }
    qCDebug(lcWire).noquote() << label_ << ">>" << Escaped(bytes);
    if (!withinBudget(bytes.size()))
        return turnAway(QStringLiteral("flood: more than %1 bytes at once or %2 bytes a second")
                            .arg(limits_.burst)
                            .arg(limits_.bytesPerSecond));
    const ClientStream::Result result = stream_.feed(bytes);
    if (result.garbage > 0) {
        garbage_ += result.garbage;
        report(QStringLiteral("%1 sent %2 bytes that are no message").arg(label_, QString::number(result.garbage)));
        if (garbage_ > limits_.maxGarbage)
            return turnAway(QStringLiteral("more than %1 bytes of garbage").arg(limits_.maxGarbage));
    }
    for (const QByteArray &message : result.messages) {
        if (closing_)
            return;
        if (message.startsWith('!')) {
            joinTimer_.stop();
            emit joined(message.mid(3));
        } else {
            emit received(message);
        }
    }
    if (!result.fault.isEmpty())  // a join the server does not take: the player learns why it ends
        turnAway(QString::fromLatin1(result.fault));
}
