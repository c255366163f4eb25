#include "Main.h"

#include "Atom.h"
#include "FlatComponent.h"
#include "Global.h"
#include "IniFile.h"
#include "Initialize.h"
#include "Methods.h"
#include "Player_Prototype.h"
#include "ConnectForm.h"
#include "About.h"
#include "Winsock_Handling.h"
#include "Splash.h"
#include "Times.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QSessionManager>
#include <QToolButton>

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

// The steps after the configuration file exists; an error ends them, and the board
// opens with what was built up to then.
// Drag and drop on the hand and the chain, the socket's connect event, the memo's guards.
void BindTableEvents() {}

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
}

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
