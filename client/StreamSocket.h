#pragma once
// The TCP connection to the game server as the client uses it. Its implementation on Qt
// Network is a library of its own beside the program, loaded at the first connect, so that
// a board that has not connected maps no network stack.
#include <QByteArray>
#include <QString>
#include <functional>

class TStreamSocket {
public:
    // What the socket tells, from the event loop.
    struct Events {
        std::function<void()> connected, disconnected, readyRead;
        std::function<void(int error)> failed;  // a QAbstractSocket::SocketError
    };
    virtual ~TStreamSocket() = default;  // aborts the connection, telling nothing
    // False, with no attempt made, for anything but a dotted IPv4 address such as 127.0.0.1.
    virtual bool ConnectTo(const QString &address, quint16 port) = 0;
    virtual void Abort() = 0;  // at once, without an event
    virtual void Write(const QByteArray &bytes) = 0;
    virtual void Flush() = 0;
    virtual bool IsConnected() const = 0;
    virtual qint64 BytesAvailable() const = 0;
    virtual QByteArray ReadAll() = 0;
    virtual QString LocalAddress() const = 0;
    virtual QString ErrorText() const = 0;  // of the last error; empty when it has no name
};

// The library's entry point, looked up by this name: a new socket, owned by the caller.
extern "C" Q_DECL_EXPORT TStreamSocket *KelmarCreateStreamSocket(TStreamSocket::Events events);
