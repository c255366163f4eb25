#include "Main.h"

#include "About.h"
#include "Atom.h"
#include "ConnectForm.h"
#include "Convert.h"
#include "DropCard_Prototype.h"
#include "FlatComponent.h"
#include "Global.h"
#include "IniFile.h"
#include "Initialize.h"
#include "Methods.h"
#include "Player_Prototype.h"
#include "Rules.h"
#include "Splash.h"
#include "Times.h"
#include "Winsock_Handling.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHostAddress>
#include <QPainter>
#include <QPushButton>
#include <QSessionManager>
#include <QTcpSocket>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <vector>

TMainBoard *MainBoard = nullptr;
QPointer<QPushButton> ConnectButton;
QPointer<QPushButton> CloseButton;
QPointer<QToolButton> QuitTitleButton;
QPointer<QToolButton> InfoTitleButton;
bool QuitRequested = false;

namespace {
bool splashOn() { return Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Splash")); }

void splashStatus(const QString &text)
{
    if (splashOn())
        SetSplashStatus(text);
}

// Drag and drop on the hand and the chain, the socket's connect event and the memo's
// guards against selecting its text.
void BindTableEvents()
{
    std::vector<TImage *> targets;
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        targets.push_back(Player(Local).Tile(slot));
    for (int p = 1; p <= Rules::RingSize; ++p)
        targets.push_back(ChainAt(p));
    for (TImage *target : targets) {
        target->setAcceptDrops(true);
        target->onDragOver = BoardDragOver;
        target->onDrop = BoardDragDrop;
    }
    QObject::connect(ClientSocket, &QTcpSocket::connected, MainBoard, [] { Guarded(ClientConnect); });
    BindMemoGuards();
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

void socketFailed(QAbstractSocket::SocketError error)
{
    // The server closing the connection is no error here: the watchdog notices it.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    const int code = systemErrorNumber(error);
    const QString reason = ClientSocket ? ClientSocket->errorString() : QString();
    if (Guarded([code] { ClientSocketError(code); }))
        ReportError(QStringLiteral("Asynchronous socket error %1 (%2)").arg(code).arg(reason));
}

// Sends the messages of an accepted move and finishes it: the tile shows its back,
// the turn ends, and the last message tells whether the hand is now empty.
void sendMove(const QList<QByteArray> &messages, TCards *source)
{
    for (const QByteArray &message : messages)
        SendText(message);
    source->ShowBack();
    TurnFlag = false;
    SetTurnIndicator(false);
    PlayEffect(QStringLiteral("FX3"));
    SendText((HandEmpty() ? "Wf" : "Wt") + QByteArray::number(OwnSeatIndex));
}

void dropOnChain(TDropCards *target, TCards *source)
{
    if (!TurnFlag)
        return;  // not this player's move: nothing is sent and the tile stays
    const int p = target->Position;
    const QByteArray s = QByteArray::number(OwnSeatIndex);
    const QByteArray a = QByteArray::number(source->FirstPips);
    const QByteArray b = QByteArray::number(source->SecondPips);
    const QByteArray mover = "Z" + s;
    const QByteArray played = "X" + s + QByteArray::number(FindHandSlot(source->TileNumber));
    const Rules::Placement placement
        = Rules::Place(IsOccupied, p, target->Pips, {source->FirstPips, source->SecondPips});
    switch (placement.kind) {
    case Rules::Placement::Opening:
        return sendMove({"Ba" + b, "Bb" + a, "Eb", mover, played, "Yr" + a, "Yl" + b}, source);
    case Rules::Placement::Match: {
        const char next = Convert12A(placement.next);
        const QByteArray shown = QByteArray::number(placement.shown);
        return sendMove({"B" + QByteArray(1, next) + shown,
                         "E" + QByteArray(1, Convert12A(static_cast<std::uint8_t>(p))), "E" + QByteArray(1, next),
                         mover, played, "Y" + QByteArray(1, placement.side) + shown},
                        source);
    }
    case Rules::Placement::NoRoom: SendText("C2"); return PlayEffect(QStringLiteral("FX1"));
    case Rules::Placement::Mismatch: SendText("C3"); return PlayEffect(QStringLiteral("FX1"));
    }
}

// The steps after the configuration file exists; an error ends them, and the board
// opens with what was built up to then.
void startUpSteps()
{
    if (!HasSwitch(QStringLiteral("noAtom")))
        RunInstanceGuard();
    if (QuitRequested)
        return;
    if (splashOn()) {
        ShowSplash(QStringLiteral("Please wait . . ."));
        BlockingSleep(500);
        SetSplashStatus(QStringLiteral("Initializing . . ."));
    }
    BuildTable();
    if (QuitRequested)
        return;
    if (Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Skin"))) {
        splashStatus(QStringLiteral("Initializing Skin. . ."));
        LoadSkin();
    }
    splashStatus(QStringLiteral("Initializing Components . . ."));
    CreateBanner();
    CreateWatchdogTimer();
    ConnectButton = CreateBoardButton(QStringLiteral("&Connect"), 365, 240);
    CloseButton = CreateBoardButton(QStringLiteral("&Close"), 365, 480);
    QuitTitleButton = CreateTitleButton(MainBoard, QStringLiteral("xBitmap"), 750, 10);
    QObject::connect(QuitTitleButton, &QToolButton::clicked, MainBoard, [] { Guarded(ConfirmQuit); });
    InfoTitleButton = CreateTitleButton(MainBoard, QStringLiteral("iBitmap"), 725, 10);
    QObject::connect(InfoTitleButton, &QToolButton::clicked, MainBoard, [] { Guarded(ToggleAbout); });
    if (splashOn()) {
        SetSplashStatus(QStringLiteral("Initializing Cards . . ."));
        BlockingSleep(200);
    }
    BindTableEvents();
    splashStatus(QStringLiteral("Initializing Multimedia . . ."));
    StartMultimedia();
    if (splashOn()) {
        SetSplashStatus(QStringLiteral("Done."));
        BlockingSleep(200);
        CloseSplash();
    }
}

void resetSharedState()
{
    WatchdogTicks = 0;
    Online = false;
    AboutShown = false;
    TurnFlag = false;
    SetTurnIndicator(false);
    CreditIndex = 1;
}
}  // namespace

TMainBoard::TMainBoard()
{
    MainBoard = this;
    QuitRequested = false;
    setWindowTitle(QStringLiteral("MainBoard"));
    setGeometry(201, 116, 216, 98);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainBoard::CommitDataRequest);
    FormCreate();
}

TMainBoard::~TMainBoard()
{
    if (MainBoard == this)
        MainBoard = nullptr;
}

void TMainBoard::FormCreate()
{
    if (!QFile::exists(ConfigPath())) {
        // Without a writable folder the program goes on with the built-in defaults.
        Guarded([] { WriteDefaultConfig(ConfigPath()); });
    }
    if (Guarded(startUpSteps) && !QuitRequested)
        resetSharedState();
}

bool TMainBoard::FormCloseQuery()
{
    if (!AskConfirmation(QStringLiteral("Quit the Game?")))
        return false;
    QuitGame();
    return true;
}

void TMainBoard::closeEvent(QCloseEvent *event)
{
    // Once the quit sequence has run the window closes without asking again.
    if (QuitRequested || FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainBoard::CommitDataRequest(QSessionManager &manager)
{
    if (QuitRequested)
        return;
    if (!manager.allowsInteraction() || !FormCloseQuery())
        manager.cancel();
    manager.release();
}

void TMainBoard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(NamedColor::Silver, 1));
    for (const int x : {720, 718, 778, 780})
        painter.drawLine(x, 13, x, 29);
}

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Kelmar"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
}

QPushButton *CreateBoardButton(const QString &caption, int top, int left)
{
    auto *button = new QPushButton(caption, MainBoard);
    button->setGeometry(left, top, 75, 25);
    button->setCursor(CustomCursor(1));
    SetFlatStyle(button);
    if (caption == QLatin1String("&Connect"))
        QObject::connect(button, &QPushButton::clicked, button, [] { Guarded(ConnectButtonClick); });
    else if (caption == QLatin1String("&Close"))
        QObject::connect(button, &QPushButton::clicked, button, [] { Guarded(ConfirmQuit); });
    return button;
}

void ConfirmQuit()
{
    if (AskConfirmation(QStringLiteral("Quit the Game?")))
        QuitGame();
}

void QuitGame()
{
    CloseClientSocket();
    CloseSplash();
    DestroyPlayers();
    ReleaseInstanceMark();
    DestroyConnectDialog();
    QuitRequested = true;
    QCoreApplication::exit(0);
}

void ToggleAbout() { ToggleAboutBox(); }

bool HasSwitch(const QString &name, const QStringList &arguments)
{
    const QString wanted = QLatin1Char('-') + name;
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) && argument == wanted)
            return true;
    }
    return false;
}

bool HasSwitch(const QString &name) { return HasSwitch(name, QCoreApplication::arguments().mid(1)); }

QString CapitalizeName(const QString &text)
{
    QString result = text;
    for (qsizetype i = 1; i < result.size(); ++i) {
        const char16_t c = result[i].unicode();
        if (c >= 'A' && c <= 'Z')
            result[i] = QChar(c + ('a' - 'A'));
    }
    return result;
}

void SwapPositions(QWidget *a, QWidget *b)
{
    if (!a || !b) {
        ShowMessage(QStringLiteral("failed"));
        return;
    }
    const QPoint first = a->pos();
    a->move(b->pos());
    b->move(first);
}

int FindHandSlot(std::uint8_t tileNumber)
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        if (Player(Local).Tile(slot)->TileNumber == tileNumber)
            return slot;
    }
    return 0;
}

bool HandEmpty()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        if (Player(Local).Tile(slot)->FirstPips != Rules::Played)
            return false;
    }
    return true;
}

void StartConnection(const QString &address)
{
    Online = true;
    ServerAddress = address;
    ClientDispatcher().Clear();
    ClientSocket->abort();
    // The read and error events are bound at each connect, once each.
    QObject::disconnect(ClientSocket, &QTcpSocket::readyRead, MainBoard, nullptr);
    QObject::disconnect(ClientSocket, &QTcpSocket::errorOccurred, MainBoard, nullptr);
    QObject::connect(ClientSocket, &QTcpSocket::readyRead, MainBoard, [] { Guarded(ClientSocketRead); });
    QObject::connect(ClientSocket, &QTcpSocket::errorOccurred, MainBoard, socketFailed);
    // The address is used as typed, without a name lookup: anything but a dotted IPv4
    // address fails the way an unreachable host does.
    const QHostAddress host(address);
    if (host.protocol() != QAbstractSocket::IPv4Protocol || address.count(QLatin1Char('.')) != 3) {
        // Unless the connect dialog has given the attempt up meanwhile.
        QTimer::singleShot(0, MainBoard, [] {
            if (Online)
                socketFailed(QAbstractSocket::HostNotFoundError);
        });
        return;
    }
    ClientSocket->connectToHost(host, ServerPort);
}

void SendText(const QByteArray &message)
{
    if (ClientSocket && ClientSocket->state() == QAbstractSocket::ConnectedState)
        ClientSocket->write(message);
}

void ClientConnect()
{
    SetWatchdogEnabled(true);
    LogLine(QStringLiteral("Connected"));
    const QString rule = QStringLiteral("      ============================================");
    AddMemoLine(rule);
    AddMemoLine(QStringLiteral("         ==== W E L C O M E  T O  K E L M A R ===="));
    AddMemoLine(rule);
    LogLine(QStringLiteral("Waiting for another player to join"));
    SendText("!@" + QByteArray::number(OwnSeatIndex) + CapitalizeName(Player(Local).GetName()).toLatin1());
    ClientSocket->flush();
    BlockingSleep(1500);
    SendText("V");
    StatusLabel->setText(QStringLiteral("Online"));
    SetLabelColor(StatusLabel, NamedColor::Lime);
}

void ClientSocketRead()
{
    const QByteArray batch = ClientSocket->readAll();
    DispatchBatch(batch);
    if (Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Verbose")))
        LogLine(QString::fromLatin1(batch));
}

void ClientSocketError(int errorCode)
{
    LogLine(QStringLiteral("not connected ..."));
    LogLine(QStringLiteral("Connection Error, ErrorCode:%1").arg(errorCode));
    LogLine(QStringLiteral("please, check your client nor server"));
    LogLine(QStringLiteral("   configuration"));
    if (ConnectButton)
        ConnectButton->setEnabled(true);
    SetWatchdogEnabled(false);
    Online = false;
    TurnFlag = false;
    SetTurnIndicator(false);
}

void BoardDragOver(TImage *) { PlayEffect(QStringLiteral("FX4")); }

void BoardDragDrop(TImage *target, TCards *source)
{
    if (auto *square = qobject_cast<TDropCards *>(target))
        dropOnChain(square, source);
    else if (auto *tile = qobject_cast<TCards *>(target))
        SwapPositions(tile, source);
}
