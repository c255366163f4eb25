#include "Winsock_Handling.h"

#include "Convert.h"
#include "Global.h"
#include "IniFile.h"
#include "Initialize.h"
#include "KelmarInfo.h"
#include "Protocol.h"
#include "Sound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QScopeGuard>
#include <QTimer>
#include <array>
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
        const int count = Protocol::OpcodeParameterCount(c);
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

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

void dealTile(const char *p)
{
    const int slot = digit(p[0]);
    const int tile = digit(p[1]) * 10 + digit(p[2]);
    if (inRange(slot, 1, Rules::HandSize))
        Player(Local).Tile(slot)->SetTile(static_cast<std::uint8_t>(tile));
}

// A move's halves are outlined until the next move's: its first half takes the outline off
// the halves of the move before, and its K ends it.
bool moveBeingPlaced = false;

void outlineLatest(TDropCards *square)
{
    if (!std::exchange(moveBeingPlaced, true))
        for (int p = 1; p <= Rules::RingSize; ++p)
            ChainAt(p)->SetLatest(false);
    square->SetLatest(true);
}

void setChainHalf(const char *p)
{
    TDropCards *square = ChainAt(ConvertA21(p[0]));
    const int pips = digit(p[1]);
    if (!square || !(inRange(pips, 0, 6) || pips == 9))  // 9 is the empty square; 7 and 8 have no picture
        return;
    square->Pips = static_cast<std::uint8_t>(pips);
    square->LoadTiny(QString(QLatin1Char(p[1])));
    if (pips != 9)
        outlineLatest(square);
}

void showNotice(const char *p)
{
    const int number = digit(p[0]);
    if (!inRange(number, 1, 7))
        return;
    LogLine(NoticeText(number));
    if (number == 1)
        ShowInfoPanel();
}

void occupy(const char *p)
{
    if (TDropCards *square = ChainAt(ConvertA21(p[0])))
        square->setEnabled(true);
}

void switchTurn()
{
    ChainAt(1)->setEnabled(true);
    TPlayer &local = Player(Local);
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        TCards *tile = local.Tile(slot);
        if (!tile->IsPlayed())
            tile->setEnabled(!tile->isEnabledTo(tile->parentWidget()));
    }
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        const TCards *tile = local.Tile(slot);
        if (!tile->IsPlayed() && tile->isEnabledTo(tile->parentWidget())) {
            Shared().TurnFlag = true;
            SetTurnIndicator(true);
            AskForAttention(Table().Board);
            return;
        }
    }
}

void greet(const char *p)
{
    if (p[0] >= '0' && p[0] <= '9' && !inRange(p[0] - '0', 1, 4))
        return;
    LogLine(
        QStringLiteral("Hello %1, You are player number %2").arg(Player(Local).GetName(), QString(QLatin1Char(p[0]))));
    Shared().OwnSeatIndex = static_cast<std::uint8_t>(digit(p[0]) - 1);
}

void showMover(const char *p)
{
    const int seat = digit(p[0]);
    if (!inRange(seat, 0, 3))
        return;
    const int mover = ViewOf(seat);
    for (int view = Local; view <= RightSeat; ++view)
        SetLabelColor(SeatLabel(view), view == mover ? NamedColor::Red : NamedColor::Black);
    if (mover != Local)
        LogLine(QStringLiteral("Waiting for %1 to move").arg(Player(mover).GetName()));
}

void removePlayedTile(const char *p)
{
    const int seat = digit(p[0]);
    const int slot = digit(p[1]);
    if (!inRange(seat, 0, 3) || !inRange(slot, 1, Rules::HandSize))
        return;
    moveBeingPlaced = false;
    if (const int view = ViewOf(seat); view != Local)
        Player(view).ClearTile(slot);
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

// A read takes at most this much from the socket; more waits there.
constexpr qint64 ReadBufferBytes = 64 * 1024;
// The board repaints and answers the mouse between slices of this many milliseconds.
constexpr int SliceMs = 20;
// "V" follows the join message after this pause.
constexpr int JoinPauseMs = 1500;
// The Verbose echo shows at most this many characters of a read.
constexpr qsizetype EchoLimit = 200;
}  // namespace

void TTableHandlers::Opcode(char opcode, const char *p)
{
    switch (opcode) {
    case 'A': return dealTile(p);
    case 'B': return setChainHalf(p);
    case 'C': return showNotice(p);
    case 'D': moveBeingPlaced = false; return ResetTable();
    case 'E': return occupy(p);
    case 'F': return switchTurn();
    case 'H': return greet(p);
    case 'I': return LogLine(NoticeText(5));
    case 'J': return showMover(p);
    case 'K': return removePlayedTile(p);
    default: return;  // G, and anything else, does nothing
    }
}

// A handler that lets events run (the information panel) may see the player quit.
bool TTableHandlers::Stopped() const { return Shared().QuitRequested; }

void TTableHandlers::PlayerData(const QByteArray &message)
{
    if (message.size() < 3 || !inRange(message[2], '1', '4'))
        return;
    const char kind = message[1];
    const int view = ViewOf(message[2] - '1');
    const QByteArray value = message.mid(3);
    switch (kind) {
    case '@':
        LogLine(QStringLiteral("Receiving Player Data . . ."));
        if (view != Local) {
            Player(view).SetName(QString::fromLatin1(value));
            SeatLabel(view)->setText(ShownText(Player(view).GetName()));
        }
        return;
    case '$':
        Player(view).SetScore(scoreOf(value));
        if (message[2] == '4')
            WriteScoreBoard();
        return;
    default: return;  // addresses ("^#") are not kept, since nothing shows them
    }
}

TClientConnection::TClientConnection(QObject *parent) : QObject(parent), socket_(new QTcpSocket(this))
{
    socket_->setReadBufferSize(ReadBufferBytes);
}

TClientConnection::~TClientConnection()
{
    // No event of the closing socket reaches a handler of the board that is going.
    socket_->disconnect(this);
    socket_->abort();
}

void TClientConnection::BindConnectEvent()
{
    connect(socket_, &QTcpSocket::connected, this, [this] { Guarded([this] { ClientConnect(); }); });
}

void TClientConnection::Open(const QString &address)
{
    ++connection_;
    joining_ = false;
    Shared().Online = true;
    dispatcher_.Clear();
    batch_.reset();
    waiting_.clear();
    socket_->abort();
    // The read and error events are bound at each connect, once each.
    disconnect(socket_, &QTcpSocket::readyRead, this, nullptr);
    disconnect(socket_, &QTcpSocket::errorOccurred, this, nullptr);
    connect(socket_, &QTcpSocket::readyRead, this, [this] { readStep([this] { ClientSocketRead(); }); });
    connect(socket_, &QTcpSocket::errorOccurred, this, &TClientConnection::socketFailed);
    const QHostAddress host(address);
    if (host.protocol() != QAbstractSocket::IPv4Protocol || address.count(QLatin1Char('.')) != 3) {
        // Unless the connect dialog has given the attempt up meanwhile.
        QTimer::singleShot(0, this, [this] {
            if (Shared().Online)
                reportFailure(QAbstractSocket::HostNotFoundError,
                              QStringLiteral("the address is no dotted IPv4 address such as 127.0.0.1"));
        });
        return;
    }
    socket_->connectToHost(host, ServerPort());
}

void TClientConnection::Close()
{
    ++connection_;
    joining_ = false;
    socket_->abort();
    dispatcher_.Clear();
    waiting_.clear();
}

void TClientConnection::Send(const QByteArray &message)
{
    if (IsConnected())
        socket_->write(message);
}

bool TClientConnection::IsConnected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

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
    TTableHandlers handlers;
    const TSettingsMoment moment;
    const auto changed = qScopeGuard([this] { emit SliceHandled(); });
    dispatcher_.Walk(*batch_, handlers, [&slice] { return slice.elapsed() < SliceMs; });
    if (batch_->Done() && !Shared().QuitRequested
        && Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Verbose")))
        LogLine(EchoText(read_, EchoLimit));
}

void TClientConnection::finishRead()
{
    batch_.reset();
    read_.clear();
    if (Shared().QuitRequested)
        return;
    // The next read follows from the event loop, never from here: this may run while a
    // handler's error is on its way to the report (which asks for the next read itself).
    if (!waiting_.isEmpty() || socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this, [this] { readStep([this] { readNext(); }); }, Qt::QueuedConnection);
}

void TClientConnection::readNext()
{
    if (Busy() || reporting_ > 0)
        return;
    if (!waiting_.isEmpty())
        HandleRead(waiting_.takeFirst());
    else if (socket_->bytesAvailable() > 0)  // what arrived while a read was handled
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
    SetWatchdogEnabled(true);
    LogLine(QStringLiteral("Connected"));
    const QString rule = QStringLiteral("      ============================================");
    AddMemoLine(rule);
    AddMemoLine(QStringLiteral("         ==== W E L C O M E  T O  K E L M A R ===="));
    AddMemoLine(rule);
    LogLine(QStringLiteral("Waiting for another player to join"));
    const QString name = CapitalizeName(Player(Local).GetName());
    Send(QByteArray::fromStdString(Protocol::JoinMessage(Shared().OwnSeatIndex, name.toLatin1().toStdString())));
    socket_->flush();
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
    socket_->flush();
    QLabel *status = Table().StatusLabel;
    status->setText(QStringLiteral("Online"));
    SetLabelColor(status, NamedColor::Lime);
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this, [this] { readStep([this] { readNext(); }); }, Qt::QueuedConnection);
}

void TClientConnection::ClientSocketRead()
{
    // While a read is handled, or its error shown, the next one waits in the socket, whose
    // buffer is bounded: a server that sends faster than the board takes it is held back by TCP.
    if (!Busy() && reporting_ == 0 && !joining_)
        HandleRead(socket_->readAll());
}

void TClientConnection::ClientSocketError(int errorCode)
{
    LogLine(QStringLiteral("not connected ..."));
    LogLine(QStringLiteral("Connection Error, ErrorCode:%1").arg(errorCode));
    LogLine(QStringLiteral("please, check your client nor server"));
    LogLine(QStringLiteral("   configuration"));
    SetEnabled({Table().ConnectButton}, true);
    SetWatchdogEnabled(false);
    Shared().Online = false;
    Shared().TurnFlag = false;
    SetTurnIndicator(false);
}

void TClientConnection::socketFailed(QAbstractSocket::SocketError error)
{
    // The server closing the connection is no error here: the watchdog notices it.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    // Qt's text for an error it has no name for says only "Unknown error".
    reportFailure(error, socket_->error() == QAbstractSocket::UnknownSocketError ? QString() : socket_->errorString());
}

void TClientConnection::reportFailure(QAbstractSocket::SocketError error, const QString &reason)
{
    const int code = systemErrorNumber(error);
    const QString text = reason.isEmpty() ? qt_error_string(code) : reason;
    if (Guarded([this, code] { ClientSocketError(code); }))
        ReportError(QStringLiteral("Asynchronous socket error %1 (%2)").arg(code).arg(text));
}

QString EchoText(const QByteArray &read, qsizetype limit)
{
    if (read.size() <= limit)
        return QString::fromLatin1(read);
    return QStringLiteral("%1 [... %2 more characters]")
        .arg(QString::fromLatin1(read.left(limit)))
        .arg(read.size() - limit);
}

quint16 ServerPort() { return portOverride.value_or(Protocol::ServerPort); }

void SetServerPortOverride(std::optional<quint16> port) { portOverride = port; }

QString NoticeText(int number)
{
    static const std::array<const char *, 7> notices{
        "Tumba.....!!!!!",
        "Illegal placement",
        "Missmatch,Try for another card",
        "Get Ready, the game it's about to be started",
        "Disconnected by Server",
        " Now it's your turn",
        "Game Over...!",
    };
    return inRange(number, 1, 7) ? QString::fromLatin1(notices[static_cast<std::size_t>(number - 1)]) : QString();
}

void SetTurnIndicator(bool active)
{
    if (active)
        LogLine(QStringLiteral("%1, %2").arg(Player(Local).GetName(), NoticeText(6)));
    const QString key = active ? QStringLiteral("MemoActive") : QStringLiteral("MemoInactive");
    SetMemoColor(
        Config().ReadColor(QStringLiteral("Color"), key, active ? ColorTable::MemoActive : ColorTable::MemoInactive));
}

void WriteScoreBoard()
{
    AddMemoLine(QStringLiteral("========[ Score ]========"));
    for (int view = Local; view <= RightSeat; ++view)
        AddMemoLine(QStringLiteral("%1 : %2").arg(Player(view).GetName()).arg(Player(view).GetScore()));
    AddMemoLine(QStringLiteral("========================="));
    for (int view = Local; view <= RightSeat; ++view) {
        bool lowest = true;
        for (int other = Local; other <= RightSeat; ++other)
            lowest = lowest && (other == view || Player(view).GetScore() < Player(other).GetScore());
        if (lowest) {
            AddMemoLine(QStringLiteral("Congratulation, %1 you're the winner").arg(Player(view).GetName()));
            break;
        }
    }
    PlayEffect(QStringLiteral("clap"));
}
