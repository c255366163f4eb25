#pragma once
// The connection to the game server: the one owner of the socket, the batch dispatch of
// what it reads and the handlers of the server's messages, which change the table model.
// It knows no widget: the board follows the model and the connection's signals.
#include "StreamSocket.h"
#include "TableModel.h"

#include <QAbstractSocket>  // its error numbers only: the socket itself is loaded with Qt Network
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Takes each read apart into opcode messages and player data messages. A batch that
// begins with "^" is one player data message. Any other is walked character by
// character; an opcode letter A..K runs with the characters after it as parameters,
// which are looked at again as possible opcodes. An opcode whose parameters the read
// cut off is kept and completed by the next read, so that TCP's splitting of the
// stream loses nothing; a "^" met in the walk starts a player data message taking the
// rest of the batch.
class TBatchDispatcher {
public:
    struct Handlers {
        virtual ~Handlers() = default;
        virtual void Opcode(char opcode, const char *parameters) = 0;
        virtual void PlayerData(const QByteArray &message) = 0;
        // How many parameter characters follow the character; -1 for one that starts no
        // message.
        virtual int ParameterCount(char c) const;
        // True when the rest of the batch must not be handled (the program is ending).
        virtual bool Stopped() const { return false; }
    };

    // At most an opcode and all but one of its parameters wait for the next read (the
    // longest message is an extension's, with six).
    static constexpr qsizetype MaxCarry = 6;

    // One read being walked, and how far the walk has come.
    struct Batch {
        QByteArray bytes;
        qsizetype at = 0;
        bool Done() const { return at >= bytes.size(); }
    };
    // The batch of a read: the bytes carried over and the read, or the read alone when it
    // is player data.
    Batch Begin(const QByteArray &read);
    // Walks the batch on, message by message, while `more` (when given) answers true
    // between two messages. A handler's exception ends the batch and drops what was
    // carried.
    void Walk(Batch &batch, Handlers &handlers, const std::function<bool()> &more = {});
    // Handles one read at once.
    void Dispatch(const QByteArray &read, Handlers &handlers);
    const QByteArray &Carried() const { return carry_; }
    void Clear() { carry_.clear(); }

private:
    QByteArray carry_;
};

// The client's own handlers: they check each message's parameters and change the model
// as the message says. A parameter that must be a digit and is not throws KelmarError,
// which ends the batch; a value out of range makes its message be ignored.
class TTableHandlers : public TBatchDispatcher::Handlers {
public:
    explicit TTableHandlers(TTableModel &model) : model_(model) {}
    void Opcode(char opcode, const char *parameters) override;
    void PlayerData(const QByteArray &message) override;
    int ParameterCount(char c) const override;
    bool Stopped() const override;

private:
    void extension(char opcode, const char *parameters);

    TTableModel &model_;
};

// The client's one connection to the server. It owns the socket and the dispatcher of
// what the socket reads, runs the socket's three events and sends every message.
class TClientConnection : public QObject {
    Q_OBJECT
public:
    TClientConnection(QObject *parent, TTableModel &model);
    ~TClientConnection() override;

    // Start-up: the socket's connect event runs ClientConnect.
    void BindConnectEvent();
    // The connect action's part: the model Connecting, the address, the socket activated,
    // and the read and error events bound. An address that is no dotted IPv4 address
    // fails as an unreachable host does, without a name lookup.
    void Open(const QString &address);
    // At once, without a message to the server; the model goes Offline.
    void Close();
    // One send of exactly these bytes, while connected.
    void Send(const QByteArray &message);
    bool IsConnected() const;
    // The socket, nullptr until the first connect loads the network library.
    TStreamSocket *Socket() { return socket_.get(); }
    TBatchDispatcher &Dispatcher() { return dispatcher_; }

    // Handles one read as the socket's read event does: in slices of about a fiftieth of a
    // second, between which the board repaints and answers the player, then the Verbose
    // echo. Reads handed in meanwhile follow in their order.
    void HandleRead(const QByteArray &read);
    bool Busy() const { return batch_.has_value(); }
    // Handles one read to its end before it returns (tests, benchmarks, fuzzing).
    void Dispatch(const QByteArray &read);

    void ClientConnect();
    void ClientSocketRead();
    void ClientSocketError(int errorCode);

signals:
    void SliceHandled();  // messages were handled: the table may have changed
    // A read was handled to its end while Verbose reads "yes": its echo for the memo.
    void Echo(const QString &line);
    // The connection is made: before the join message goes out.
    void Connected();
    // A socket error, after the model went Failed and before the error's box.
    void Failed(int errorCode);

private:
    // The socket of the first connect, from the network library; false when it cannot be had.
    bool openSocket();
    bool socketHoldsBytes() const;  // what arrived and is not read yet
    void socketFailed(int error);
    // The error's memo lines, then its box with the code and what happened.
    void reportFailure(QAbstractSocket::SocketError error, const QString &reason);
    void finishJoin(quint64 connection);  // "V" and the status "Online", unless `connection` ended
    void walkSlice();
    void finishRead();
    void readNext();
    // Runs a step of the read path; its error is shown with reading held back.
    void readStep(const std::function<void()> &step);

    std::unique_ptr<TStreamSocket> socket_;
    bool connectBound_ = false;  // the socket's connect event runs ClientConnect
    TTableModel &model_;
    TBatchDispatcher dispatcher_;
    std::optional<TBatchDispatcher::Batch> batch_;  // the read being handled
    QByteArray read_;                               // its bytes as they arrived, for the echo
    QList<QByteArray> waiting_;                     // reads handed in while one is handled
    int reporting_ = 0;                             // error boxes of the read path open
    quint64 connection_ = 0;                        // counts the connections opened and closed
    bool joining_ = false;                          // the join is sent, "V" not yet
};

// Cuts a read's echo to at most `limit` characters, saying how many were left out.
QString EchoText(const QByteArray &read, qsizetype limit);

// The server's port; tests point the client at a server of their own.
quint16 ServerPort();
void SetServerPortOverride(std::optional<quint16> port);
