#pragma once
// Takes one client's byte stream apart into messages. First the join "!@<seat><name>"
// and its "V": the name is the first character after the seat digit and every further
// character up to the next capital letter, which must be the "V" (the client sends
// names with the rest in small letters). A name is 3 to 7 printable Latin-1 characters,
// at least one of them visible (not a blank, a no-break space or a soft hyphen); any
// other join is a fault. Then the move messages B, E, Z, X, Y, W and the refusals
// C2 and C3, with no separators between them. Bytes that start no valid message are
// skipped and counted; a message that a read cut off waits for the next read. At most
// three bytes are carried from one read to the next.
#include <QByteArray>
#include <QByteArrayList>

class ClientStream {
public:
    static constexpr int MinName = 3;
    static constexpr int MaxName = 7;
    static constexpr int MoveMessages = 8;  // the most one move sends: an opening's B, B, E, Z, X, Y, Y and W

    struct Result {
        QByteArrayList messages;  // the join as "!@<seat><name>" once its "V" came; no "V"
        int garbage = 0;          // bytes skipped in this read
        QByteArray fault;         // set when the join is refused; the client is closed
    };

    Result feed(const QByteArray &bytes);
    bool joined() const { return state_ == State::Playing; }

private:
    enum class State { Join, Name, Playing, Refused };

    // Each takes what it can from bytes[at..] and returns how far it got.
    qsizetype joinStart(const QByteArray &bytes, qsizetype at, Result &result);
    qsizetype nameCharacter(const QByteArray &bytes, qsizetype at, Result &result);
    qsizetype move(const QByteArray &bytes, qsizetype at, Result &result);

    State state_ = State::Join;
    qsizetype nameLength() const { return join_.size() - 3; }

    QByteArray join_;   // "!@<seat><name so far>"
    QByteArray carry_;  // the start of a message cut off by the end of the last read
};
