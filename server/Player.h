#pragma once
// A player at a table, as the table sees it: the messages it sends, the messages it is
// sent, its address for the other players, and the end of its connection. Connection
// is the one over TCP; the fuzz target feeds a table through its own.
#include <QByteArray>
#include <QObject>

class Player : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QByteArray address() const = 0;  // as the other players see it
    virtual void send(const QByteArray &message) = 0;
    // Sends what is queued, then `last`, then closes; `gone` follows.
    virtual void finish(const QByteArray &last = {}) = 0;

signals:
    void received(const QByteArray &message);  // a move message or a refusal, once joined
    void gone(const QString &reason);          // once, from the event loop, never from inside a call
};
