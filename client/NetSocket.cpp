// The stream socket on Qt Network: the library that the program loads at its first connect.
#include "StreamSocket.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {
// A read takes at most this much from the socket; more waits there, and a server that
// sends faster than the board takes it is held back by TCP.
constexpr qint64 ReadBufferBytes = 64 * 1024;

class TQtStreamSocket : public TStreamSocket {
public:
    explicit TQtStreamSocket(Events events) : events_(std::move(events))
    {
        socket_.setReadBufferSize(ReadBufferBytes);
        QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] { events_.connected(); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] { events_.disconnected(); });
        QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { events_.readyRead(); });
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_,
                         [this](QAbstractSocket::SocketError error) { events_.failed(int(error)); });
    }
    ~TQtStreamSocket() override
    {
        socket_.disconnect();
        socket_.abort();
    }

    bool ConnectTo(const QString &address, quint16 port) override
    {
        const QHostAddress host(address);
        if (host.protocol() != QAbstractSocket::IPv4Protocol || address.count(QLatin1Char('.')) != 3)
            return false;
        socket_.connectToHost(host, port);
        return true;
    }
    void Abort() override { socket_.abort(); }
    void Write(const QByteArray &bytes) override { socket_.write(bytes); }
    void Flush() override { socket_.flush(); }
    bool IsConnected() const override { return socket_.state() == QAbstractSocket::ConnectedState; }
    qint64 BytesAvailable() const override { return socket_.bytesAvailable(); }
    QByteArray ReadAll() override { return socket_.readAll(); }
    QString LocalAddress() const override { return socket_.localAddress().toString(); }
    // Qt's text for an error it has no name for says only "Unknown error".
    QString ErrorText() const override
    {
        return socket_.error() == QAbstractSocket::UnknownSocketError ? QString() : socket_.errorString();
    }

private:
    Events events_;
    QTcpSocket socket_;
};
}  // namespace

TStreamSocket *KelmarCreateStreamSocket(TStreamSocket::Events events) { return new TQtStreamSocket(std::move(events)); }
