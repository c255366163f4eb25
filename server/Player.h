#pragma once
// A player at a table, as the table sees it: the messages it sends, the messages it is
// sent, its address for the other players, and the end of its connection. Connection
// is the one over TCP; the fuzz target feeds a table through its own.
#include "Limits.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class Player : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QByteArray address() const = 0;  // as the other players see it
    virtual QString label() const = 0;       // who it is in the log
    virtual void send(const QByteArray &message) = 0;
    // Sends what is queued, then `last`, then closes; `gone` follows.
    virtual void finish(const QByteArray &last = {}) = 0;

    // Logs a line that this player's input caused (a refused move, garbage): within its
    // log quota, so that no player can fill the operator's disk.
    void report(const QString &line);

signals:
    void received(const QByteArray &message);  // a move message or a refusal, once joined
    void gone(const QString &reason);          // once, from the event loop, never from inside a call

protected:
    void reportHeldBack();  // tells the lines still held back; when the player is gone

private:
    void tellHeldBack(int lines) const;

    LogQuota quota_;
};
