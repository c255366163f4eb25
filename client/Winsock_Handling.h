#pragma once
// The server's messages: batch dispatch, handlers and the turn indicator.
#include <QByteArray>
#include <QString>

// Takes each read apart into opcode messages and player data messages. A batch that
// begins with "^" is one player data message. Any other is walked character by
// character; an opcode letter A..K runs with the characters after it as parameters,
// which are looked at again as possible opcodes. Two mends to the plain walk: an
// opcode whose parameters the read cut off is kept and completed by the next read,
// and a "^" met in the walk starts a player data message taking the rest of the batch.
class TBatchDispatcher {
public:
    struct Handlers {
        virtual ~Handlers() = default;
        virtual void Opcode(char opcode, const char *parameters) = 0;
        virtual void PlayerData(const QByteArray &message) = 0;
    };

    // At most an opcode and two of its parameters wait for the next read.
    static constexpr qsizetype MaxCarry = 3;

    // Handles one read. A handler's exception ends the batch and drops what was carried.
    void Dispatch(const QByteArray &read, Handlers &handlers);
    const QByteArray &Carried() const { return carry_; }
    void Clear() { carry_.clear(); }

    static int ParameterCount(char opcode);  // -1 for a character that is no opcode

private:
    QByteArray carry_;
};

// The client's own handlers: they change the table as each message says.
class TTableHandlers : public TBatchDispatcher::Handlers {
public:
    void Opcode(char opcode, const char *parameters) override;
    void PlayerData(const QByteArray &message) override;
};

// Dispatches a read with the table handlers; the one dispatcher of the connection.
void DispatchBatch(const QByteArray &read);
TBatchDispatcher &ClientDispatcher();

// The seven notices, numbered 1 to 7; an empty text for any other number.
QString NoticeText(int number);
// Writes the turn notice and gives the memo its colour for the turn's new state.
void SetTurnIndicator(bool active);
void WriteScoreBoard();
// Closes the connection at once, without a message to the server.
void CloseClientSocket();
