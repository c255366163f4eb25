#include "Winsock_Handling.h"

#include "Convert.h"
#include "Global.h"
#include "IniFile.h"
#include "Protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTimer>
#include <cerrno>

TBatchDispatcher::Batch TBatchDispatcher::Begin(const QByteArray &read)
{
    // A read that begins with "^" is a player data message whatever was carried over; the
    // fragment, which it cannot complete, is dropped.
    Batch batch{read.startsWith('^') ? read : carry_ + read};
    carry_.clear();
    return batch;
}

void TBatchDispatcher::Walk(Batch &batch, Handlers &handlers, const std::function<bool()> &more)
{
    const QByteArray &bytes = batch.bytes;
    const auto finish = [&batch] { batch.at = batch.bytes.size(); };
    if (bytes.startsWith('^') && batch.at == 0) {
        finish();
        return handlers.PlayerData(bytes);
    }
    while (!batch.Done()) {
        const qsizetype i = batch.at;
        const char c = bytes[i];
        if (c == '^') {
            finish();
            return handlers.PlayerData(bytes.mid(i));
        }
        const int count = handlers.ParameterCount(c);
        ++batch.at;
        if (count < 0)
            continue;
        if (i + count >= bytes.size()) {
            carry_ = bytes.mid(i);
            return finish();
        }
        try {
            handlers.Opcode(c, bytes.constData() + i + 1);
        } catch (...) {
            finish();
            throw;
        }
        if (handlers.Stopped())
            return finish();
        if (more && !more())
            return;
    }
}

int TBatchDispatcher::Handlers::ParameterCount(char c) const { return Protocol::OpcodeParameterCount(c); }

void TBatchDispatcher::Dispatch(const QByteArray &read, Handlers &handlers)
{
    Batch batch = Begin(read);
    Walk(batch, handlers);
}

namespace {
// The value of a digit parameter; anything else is a conversion error that ends the batch.
int digit(char c)
{
    if (c < '0' || c > '9')
        throw KelmarError(QStringLiteral("'%1' is not a valid integer value").arg(QLatin1Char(c)));
    return c - '0';
}

std::uint8_t scoreOf(const QByteArray &value)
{
    bool ok = false;
    const int score = value.toInt(&ok);
    if (!ok)
        throw KelmarError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(value)));
    return static_cast<std::uint8_t>(score);
}

// The system's error numbers for what the socket reports, as the player's tools know them.
int systemErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
    case QAbstractSocket::HostNotFoundError: return EADDRNOTAVAIL;
    case QAbstractSocket::SocketAccessError: return EACCES;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::NetworkError: return ENETUNREACH;
    case QAbstractSocket::AddressInUseError: return EADDRINUSE;
    case QAbstractSocket::UnsupportedSocketOperationError: return EAFNOSUPPORT;
    default: return EIO;
    }
}

std::optional<quint16> portOverride;

// The socket's library beside the program.
constexpr char NetworkLibrary[] = "libkelmar-net.so";
// The board repaints and answers the mouse between slices of this many milliseconds.
constexpr int SliceMs = 20;
// "V" follows the join message after this pause.
constexpr int JoinPauseMs = 1500;
// The Verbose echo shows at most this many characters of a read.
constexpr qsizetype EchoLimit = 200;
}  // namespace

void TTableHandlers::Opcode(char opcode, const char *p)
{
    using namespace Protocol;
    switch (opcode) {
    case Opcode::Deal: {
        const int slot = digit(p[0]);
        const int tens = digit(p[1]);
        return model_.DealTile(slot, tens * 10 + digit(p[2]));
    }
    case Opcode::ChainPicture: {
        const int position = ConvertA21(p[0]);
        return model_.SetChainHalf(position, digit(p[1]));
    }
    case Opcode::Notice: return model_.ReceiveNotice(digit(p[0]));
    case Opcode::Reset: return model_.Reset();
    case Opcode::Occupy: return model_.Occupy(ConvertA21(p[0]));
    case Opcode::TurnSwitch: return model_.SwitchTurn();
    case Opcode::Greeting:
        // A digit outside 1..4 is ignored; any other character is greeted, then fails.
        if (p[0] >= '0' && p[0] <= '9' && !(p[0] >= '1' && p[0] <= '4'))
            return;
        model_.Greet(p[0]);
        digit(p[0]);
        return;
    case Opcode::Disconnect: return model_.ReceiveNotice(Disconnected);
    case Opcode::WhoseMove: return model_.ShowMover(digit(p[0]));
    case Opcode::TilePlayed: {
        const int seat = digit(p[0]);
        return model_.RemovePlayedTile(seat, digit(p[1]));
    }
    case Opcode::Nothing: return;
    default: return extension(opcode, p);
    }
}

int TTableHandlers::ParameterCount(char c) const
{
    const int extended = model_.Extended() ? Protocol::ExtensionParameterCount(c) : -1;
    return extended >= 0 ? extended : Handlers::ParameterCount(c);
}

namespace {
// The number that `count` digit parameters write; nullopt when one is no digit, which
// makes the extension message be passed over.
std::optional<int> number(const char *p, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return std::nullopt;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}
}  // namespace

void TTableHandlers::extension(char opcode, const char *p)
{
    using namespace Protocol;
    const std::optional<int> all = number(p, ExtensionParameterCount(opcode));
    if (!all)
        return;
    const int first = p[0] - '0';  // a seat index, or the reason or ending
    switch (opcode) {
    case Extension::Clock: return model_.StartClock(first, *number(p + 1, 5));
    case Extension::Reason: return model_.ReceiveReason(first);
    case Extension::Move: return model_.ReceiveMove(first, *number(p + 1, 2));
    case Extension::Pass: return model_.ReceivePass(first);
    case Extension::End: return model_.ReceiveEnd(first, *number(p + 1, 1));
    case Extension::Total: return model_.ReceiveTotal(first, *number(p + 1, 3));
    case Extension::Match: return model_.ReceiveMatch(*number(p, 3), *number(p + 3, 1));
    case Extension::Back: return model_.ReceiveBack(first);
    default: return;
    }
}

// A handler that lets events run (the information panel) may see the player quit.
bool TTableHandlers::Stopped() const { return Shared().QuitRequested; }

void TTableHandlers::PlayerData(const QByteArray &message)
{
    if (message.size() < 3)
        return;
    const int seatNumber = message[2] - '0';
    const QByteArray value = message.mid(3);
    switch (message[1]) {
    case Protocol::PlayerData::Name: return model_.ReceiveName(seatNumber, value.toStdString());
    case Protocol::PlayerData::Address: return model_.ReceiveAddress(seatNumber, value.toStdString());
    case Protocol::PlayerData::Score:
        if (seatNumber >= 1 && seatNumber <= 4)
            model_.ReceiveScore(seatNumber, scoreOf(value));
        return;
    case Protocol::ExtensionKind:
        if (seatNumber >= 1 && seatNumber <= 4 && value.size() == 7 && value.startsWith(Protocol::ExtensionMark)
            && value[6] >= '1' && value[6] <= '9')
            model_.Announce(value[6] - '0');
        return;
    default: return;
    }
}

TClientConnection::TClientConnection(QObject *parent, TTableModel &model) : QObject(parent), model_(model) {}

// No event of the closing socket reaches a handler of the board that is going.
TClientConnection::~TClientConnection() = default;

void TClientConnection::BindConnectEvent() { connectBound_ = true; }

bool TClientConnection::openSocket()
{
    if (socket_)
        return true;
    QString error;
    using Create = TStreamSocket *(*)(TStreamSocket::Events);
    const auto create = reinterpret_cast<Create>(
        ProgramLibraryEntry(QLatin1String(NetworkLibrary), "KelmarCreateStreamSocket", error));
    if (!create) {
        QTimer::singleShot(0, this, [this, error] {
            reportFailure(QAbstractSocket::UnsupportedSocketOperationError,
                          QStringLiteral("the network library cannot be loaded: ") + error);
        });
        return false;
    }
    TStreamSocket::Events events;
    events.connected = [this] {
        if (connectBound_)
            Guarded([this] { ClientConnect(); });
    };
    // The server or the network ended the connection: the watchdog's business.
    events.disconnected = [this] {
        const auto state = model_.ConnectionState();
        if (state == TTableModel::Connection::Joining || state == TTableModel::Connection::Connected)
            model_.SetConnection(TTableModel::Connection::Lost);
    };
    events.readyRead = [this] { readStep([this] { ClientSocketRead(); }); };
    events.failed = [this](int error) { socketFailed(error); };
    socket_.reset(create(std::move(events)));
    return true;
}

void TClientConnection::Open(const QString &address)
{
    ++connection_;
    joining_ = false;
    dispatcher_.Clear();
    batch_.reset();
    waiting_.clear();
    model_.SetConnection(TTableModel::Connection::Connecting);
    if (!openSocket())
        return;
    socket_->Abort();
    if (!socket_->ConnectTo(address, ServerPort())) {
        // Unless the connect dialog has given the attempt up meanwhile.
        QTimer::singleShot(0, this, [this] {
            if (model_.ConnectionState() == TTableModel::Connection::Connecting)
                reportFailure(QAbstractSocket::HostNotFoundError,
                              QStringLiteral("the address is no dotted IPv4 address such as 127.0.0.1"));
        });
    }
}

void TClientConnection::Close()
{
    ++connection_;
    joining_ = false;
    if (socket_)
        socket_->Abort();
    dispatcher_.Clear();
    waiting_.clear();
    model_.SetConnection(TTableModel::Connection::Offline);
}

void TClientConnection::Send(const QByteArray &message)
{
    if (IsConnected())
        socket_->Write(message);
}

bool TClientConnection::IsConnected() const { return socket_ && socket_->IsConnected(); }

bool TClientConnection::socketHoldsBytes() const { return socket_ && socket_->BytesAvailable() > 0; }

void TClientConnection::HandleRead(const QByteArray &read)
{
    if (Busy()) {
        waiting_.append(read);
        return;
    }
    read_ = read;
    batch_ = dispatcher_.Begin(read);
    walkSlice();
}

void TClientConnection::Dispatch(const QByteArray &read)
{
    HandleRead(read);
    while (Busy() || !waiting_.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, SliceMs);
}

void TClientConnection::walkSlice()
{
    QElapsedTimer slice;
    slice.start();
    const auto next = qScopeGuard([this] {
        if (!batch_ || batch_->Done())
            finishRead();
        else  // the rest after the board has had its turn
            QMetaObject::invokeMethod(
                this, [this] { readStep([this] { walkSlice(); }); }, Qt::QueuedConnection);
    });
    TTableHandlers handlers(model_);
    const TSettingsMoment moment;
    const auto changed = qScopeGuard([this] { emit SliceHandled(); });
    dispatcher_.Walk(*batch_, handlers, [&slice] { return slice.elapsed() < SliceMs; });
    if (batch_->Done() && !Shared().QuitRequested
        && Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Verbose")))
        emit Echo(EchoText(read_, EchoLimit));
}

void TClientConnection::finishRead()
{
    batch_.reset();
    read_.clear();
    if (Shared().QuitRequested)
        return;
    // The next read follows from the event loop, never from here: this may run while a
    // handler's error is on its way to the report (which asks for the next read itself).
    if (!waiting_.isEmpty() || socketHoldsBytes())
        QMetaObject::invokeMethod(
            this, [this] { readStep([this] { readNext(); }); }, Qt::QueuedConnection);
}

void TClientConnection::readNext()
{
    if (Busy() || reporting_ > 0)
        return;
    if (!waiting_.isEmpty())
        HandleRead(waiting_.takeFirst());
    else if (socketHoldsBytes())  // what arrived while a read was handled
        ClientSocketRead();
}

void TClientConnection::readStep(const std::function<void()> &step)
{
    const std::optional<QString> error = Attempt(step);
    if (!error)
        return;
    // Nothing is read while the box is open: what the server sends meanwhile waits in the
    // socket, whose buffer is bounded, and a flood of bad messages cannot pile up boxes.
    ++reporting_;
    ReportError(*error);
    --reporting_;
    QMetaObject::invokeMethod(
        this, [this] { readStep([this] { readNext(); }); }, Qt::QueuedConnection);
}

void TClientConnection::ClientConnect()
{
    model_.SetConnection(TTableModel::Connection::Joining);  // the board greets the player
    const QString name = CapitalizeName(QString::fromLatin1(model_.SeatAt(Local).GetName()));
    Send(QByteArray::fromStdString(Protocol::JoinMessage(model_.OwnSeatIndex(), name.toLatin1().toStdString())));
    socket_->Flush();
    // "V" follows the join after a pause, during which the board paints and sounds on;
    // what the server sends meanwhile waits in the socket and is handled after "V".
    joining_ = true;
    QTimer::singleShot(JoinPauseMs, this,
                       [this, connection = connection_] { Guarded([this, connection] { finishJoin(connection); }); });
}

void TClientConnection::finishJoin(quint64 connection)
{
    if (connection != connection_ || !IsConnected())
        return;  // closed or opened again meanwhile
    joining_ = false;
    Send(Protocol::AfterJoin);
    socket_->Flush();
    model_.SetConnection(TTableModel::Connection::Connected);
    if (socketHoldsBytes())
        QMetaObject::invokeMethod(
            this, [this] { readStep([this] { readNext(); }); }, Qt::QueuedConnection);
}

void TClientConnection::ClientSocketRead()
{
    // While a read is handled, or its error shown, the next one waits in the socket, whose
    // buffer is bounded: a server that sends faster than the board takes it is held back by TCP.
    if (!Busy() && reporting_ == 0 && !joining_)
        HandleRead(socket_->ReadAll());
}

void TClientConnection::ClientSocketError(int errorCode)
{
    model_.SetConnection(TTableModel::Connection::Failed, errorCode);
    model_.EndTurn();
}

void TClientConnection::socketFailed(int error)
{
    // The server closing the connection is no error here: the watchdog notices it.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    reportFailure(QAbstractSocket::SocketError(error), socket_->ErrorText());
}

void TClientConnection::reportFailure(QAbstractSocket::SocketError error, const QString &reason)
{
    const int code = systemErrorNumber(error);
    const QString text = reason.isEmpty() ? qt_error_string(code) : reason;
    if (Guarded([this, code] { ClientSocketError(code); }))
        ReportError(QStringLiteral("Asynchronous socket error %1 (%2)").arg(code).arg(text));
}

QString EchoText(const QByteArray &read, qsizetype limit) { return CutText(QString::fromLatin1(read), limit); }

quint16 ServerPort() { return portOverride.value_or(Protocol::ServerPort); }

void SetServerPortOverride(std::optional<quint16> port) { portOverride = port; }
