#pragma once
// Paces what goes to one client. The client takes everything one read brings as one
// batch, and a batch that begins with "^" as exactly one player data message, so a
// "^" message must arrive alone: the outbox leaves a pause before and after each one.
// Opcode messages between them may travel together.
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

// The pause around each "^" message. Measured with tests/server/measure_pacing on the
// development machine (2 cores, Debian 12, Qt 6.4.2), the shortest pause at which a Qt
// client reading with readyRead/readAll in its event loop saw no two of 1,000 messages
// joined: 0.1 ms on a quiet machine, 10 ms with two threads keeping both cores busy
// (5 ms still joined up to 3). With eight busy threads even 20 ms joined 2 of 1,000, and
// 50 ms none. 50 ms, five times the loaded figure, costs a player about half a second
// when it sits down and 0.2 s at the end of a game.
constexpr std::chrono::milliseconds DefaultPause{50};

class Outbox : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    Outbox(Writer writer, std::chrono::milliseconds pause, QObject *parent = nullptr);

    void send(const QByteArray &message);
    qsizetype pending() const { return pending_; }  // bytes not yet written

signals:
    void drained();  // everything sent has been written

private:
    void flush();

    Writer write_;
    std::chrono::milliseconds pause_;
    QByteArrayList queue_;  // each entry is written in one go: opcodes, or one "^" message
    qsizetype pending_ = 0;
    QElapsedTimer lastWrite_;
    bool lastWasData_ = false;
    QTimer timer_;
};
