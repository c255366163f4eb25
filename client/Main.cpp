#include "Main.h"

#include "About.h"
#include "Atom.h"
#include "ConnectForm.h"
#include "FlatComponent.h"
#include "Global.h"
#include "IniFile.h"
#include "KelmarInfo.h"
#include "LabelLook.h"
#include "Methods.h"
#include "Protocol.h"
#include "Sound.h"
#include "Splash.h"
#include "Times.h"
#include "Winsock_Handling.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QScopeGuard>
#include <QSessionManager>
#include <QTimer>
#include <QWindow>
#include <malloc.h>
#include <vector>

namespace {
TMainBoard *mainBoard = nullptr;

// What the board shows beyond the table itself: the information panel of notice 1, at
// most once a game (until the next reset or score board), so that a server repeating the
// notice cannot keep the board behind panels.
class TPresentation : public TTableModel::Listener {
public:
    void NoticeReceived(int number) override
    {
        if (number == Protocol::Tumba && !std::exchange(panelShown_, true))
            ShowInfoPanel();
    }
    void GameReset() override { panelShown_ = false; }
    void ScoresComplete() override { panelShown_ = false; }

private:
    bool panelShown_ = false;
};

// What the first frame does not need waits until it is out: looking the window's icon up
// in the system's icon theme, and the music with its audio back end.
void afterFirstFrame()
{
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kelmar")));
    Guarded(StartMusic);
    // What start-up used in passing (pictures read, the font configuration parsed) goes
    // back to the system rather than staying in the heap for the whole run.
    malloc_trim(0);
}

bool splashOn() { return Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Splash")); }

void splashStatus(const QString &text)
{
    if (splashOn())
        SetSplashStatus(text);
}

// A splash picture that cannot be read is reported, and start-up goes on without the
// splash, as it does without a skin.
void openSplash()
{
    if (const std::optional<QString> error = Attempt([] { ShowSplash(QStringLiteral("Please wait . . .")); }))
        ReportError(*error);
}

// Lets the splash stand for a moment while the program goes on painting and sounding.
// False when the program was asked to quit meanwhile: start-up ends there.
bool holdSplash(int ms)
{
    if (splashOn() && SplashWindow()) {
        QEventLoop hold;
        QTimer::singleShot(ms, &hold, &QEventLoop::quit);
        hold.exec();
    }
    return !Shared().QuitRequested;
}

// Drag and drop on the hand and the chain, the socket's connect event and the memo's
// guards against selecting its text.
void bindTableEvents()
{
    std::vector<TImage *> targets;
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        TCards *tile = Player(Local).Tile(slot);
        tile->SetDragCursor([] { return CustomCursor(CursorKind::DragHand); });
        targets.push_back(tile);
    }
    for (int p = 1; p <= Rules::RingSize; ++p)
        targets.push_back(ChainAt(p));
    for (TImage *target : targets) {
        target->setAcceptDrops(true);
        target->onDragOver = BoardDragOver;
        target->onDrop = BoardDragDrop;
    }
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        TCards *tile = Player(Local).Tile(slot);
        tile->onDragStart = ShowDropHints;
        tile->onDragEnd = ClearDropHints;
    }
    TClientConnection *connection = Table().Connection;
    QObject::connect(connection, &TClientConnection::SliceHandled, connection, [] { Guarded(RefreshDropHints); });
    BindInformationPanel(Table().Board, Table().InfoTitleButton);
    TTable &table = Table();
    table.TurnClock = new TTurnClock(table.Board);
    table.Model.AddListener(table.TurnClock);
    table.ScorePanel = new TScorePanel(table.Board, table.Model);
    table.Model.AddListener(table.ScorePanel);
    connection->BindConnectEvent();
    WhenMemoBuilt(BindMemoGuards);
}

void createButtons()
{
    TTable &table = Table();
    table.ConnectButton = CreateBoardButton(BoardButton::Connect, 365, 240);
    table.CloseButton = CreateBoardButton(BoardButton::Close, 365, 480);
    table.QuitTitleButton = CreateTitleButton(table.Board, QStringLiteral("xBitmap"), 750, 10);
    QObject::connect(table.QuitTitleButton, &QToolButton::clicked, table.Board, [] { Guarded(ConfirmQuit); });
    table.InfoTitleButton = CreateTitleButton(table.Board, QStringLiteral("iBitmap"), 725, 10);
    QObject::connect(table.InfoTitleButton, &QToolButton::clicked, table.Board, [] { Guarded(ToggleAbout); });
}

// The steps after the configuration file exists; an error ends them, and the board
// opens with what was built up to then.
void startUpSteps()
{
    if (!HasSwitch(QStringLiteral("noAtom")))
        RunInstanceGuard();
    if (Shared().QuitRequested)
        return;
    // However start-up ends, the splash goes before anything else is shown: it must
    // never cover an error box or the board.
    const auto closeSplash = qScopeGuard([] { CloseSplash(); });
    if (splashOn())
        openSplash();
    if (!holdSplash(500))
        return;
    splashStatus(QStringLiteral("Initializing . . ."));
    const bool skinOn = Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Skin"));
    if (skinOn)
        BeginSkinUnpacking();
    if (!BuildTable()) {
        QuitGame();
        return;
    }
    for (QLabel *label :
         {Table().OwnNameLabel, Table().LeftLabel, Table().TopLabel, Table().RightLabel, Table().StatusLabel})
        PlateUnderSkin(label);
    if (skinOn) {
        splashStatus(QStringLiteral("Initializing Skin. . ."));
        LoadSkin();
    }
    splashStatus(QStringLiteral("Initializing Components . . ."));
    CreateBanner();
    CreateWatchdogTimer();
    createButtons();
    splashStatus(QStringLiteral("Initializing Cards . . ."));
    if (!holdSplash(200))
        return;
    bindTableEvents();
    splashStatus(QStringLiteral("Initializing Multimedia . . ."));
    StartMultimedia(Table().Board);
    splashStatus(QStringLiteral("Done."));
    holdSplash(200);
}

void resetSharedState()
{
    TSharedState &state = Shared();
    state.WatchdogTicks = 0;
    Model().SetConnection(TTableModel::Connection::Offline);
    state.AboutShown = false;
    Model().EndTurn();
    state.CreditIndex = 1;
}
}  // namespace

TTable &Table()
{
    if (!mainBoard)
        throw KelmarError(QStringLiteral("The table is not built"));
    return mainBoard->table();
}

TMainBoard::TMainBoard() : table_(this), presentation_(std::make_unique<TPresentation>())
{
    mainBoard = this;
    Shared().QuitRequested = false;
    setWindowTitle(QStringLiteral("MainBoard"));
    setGeometry(201, 116, 216, 98);
    QFont font = BoardFont(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainBoard::CommitDataRequest);
    FormCreate();
    // After the table's own view, so that a notice stands in the memo before its panel.
    table_.Model.AddListener(presentation_.get());
}

void TMainBoard::showEvent(QShowEvent *event)
{
    // The table is completed when the window is first exposed, right before its first
    // frame: the window has gone to the display by then, which the completion (fonts,
    // memo) would hold back if it ran at the event loop's first turn.
    if (!completed_ && windowHandle())
        windowHandle()->installEventFilter(this);
    QWidget::showEvent(event);
}

bool TMainBoard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && !completed_ && watched == windowHandle() && windowHandle()->isExposed()) {
        completed_ = true;
        watched->removeEventFilter(this);
        Guarded(CompleteTable);
    }
    return QWidget::eventFilter(watched, event);
}

TMainBoard::~TMainBoard()
{
    ReleaseInstanceMark();  // the quit sequence does it; so does the board's end
    delete table_.Connection.data();
    for (TTableModel::Listener *listener : std::initializer_list<TTableModel::Listener *>{
             table_.View.get(), table_.TurnClock.data(), table_.ScorePanel.data(), presentation_.get()})
        table_.Model.RemoveListener(listener);
    if (mainBoard == this)
        mainBoard = nullptr;
}

void TMainBoard::FormCreate()
{
    if (!QFile::exists(ConfigPath())) {
        // Without a writable folder the program goes on with the built-in defaults.
        Guarded([] { WriteDefaultConfig(ConfigPath()); });
    }
    if (Guarded(startUpSteps) && !Shared().QuitRequested)
        resetSharedState();
    // ./play names a game server that could not start, once the board stands.
    if (const QString problem = qEnvironmentVariable("KELMAR_SERVER_PROBLEM"); !problem.isEmpty())
        QTimer::singleShot(0, this, [problem] { ShowMessage(ShownText(problem)); });
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
    if (Shared().QuitRequested || FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainBoard::CommitDataRequest(QSessionManager &manager)
{
    if (!SessionEnding(manager.allowsInteraction()))
        manager.cancel();
    manager.release();
}

bool TMainBoard::SessionEnding(bool mayAsk)
{
    if (Shared().QuitRequested)
        return true;
    // A log-off that allows no question is not refused: the program quits cleanly.
    if (!mayAsk) {
        QuitGame();
        return true;
    }
    return FormCloseQuery();
}

void TMainBoard::paintEvent(QPaintEvent *)
{
    if (!std::exchange(painted_, true))
        QTimer::singleShot(0, this, afterFirstFrame);
    QPainter painter(this);
    painter.setPen(QPen(NamedColor::Silver, 1));
    for (const int x : {720, 718, 778, 780})
        painter.drawLine(x, 13, x, 29);
}

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Kelmar"));
    // The desktop entry that an installation puts in the system's menu; the icon follows
    // once the board is on the screen.
    QGuiApplication::setDesktopFileName(QStringLiteral("kelmar"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
}

namespace {
// Tab order 1: the control comes second in the board's tab chain, right after the first
// control there, so a button made later stands before the ones made earlier. The memo is
// that first control; while it waits to be built, the button goes first, and the memo
// goes in front of it when it is built.
void putSecondInTabChain(QWidget *board, QWidget *control)
{
    if (Table().MemoPlaced && !Table().Memo) {
        PutFirstInTabChain(board, control);
        return;
    }
    for (QWidget *w = board->nextInFocusChain(); w != board; w = w->nextInFocusChain()) {
        if (w != control && w->window() == board && (w->focusPolicy() & Qt::TabFocus)) {
            QWidget::setTabOrder(w, control);
            return;
        }
    }
}
}  // namespace

QPushButton *CreateBoardButton(BoardButton kind, int top, int left)
{
    const bool connect = kind == BoardButton::Connect;
    auto *button = new QPushButton(connect ? QStringLiteral("&Connect") : QStringLiteral("&Close"), Table().Board);
    button->setGeometry(left, top, 75, 25);
    putSecondInTabChain(Table().Board, button);
    SetCustomCursor(button, CursorKind::Arrow);
    SetFlatStyle(button);
    QObject::connect(button, &QPushButton::clicked, button,
                     [connect] { Guarded(connect ? ConnectButtonClick : ConfirmQuit); });
    return button;
}

void ConfirmQuit()
{
    if (AskConfirmation(QStringLiteral("Quit the Game?")))
        QuitGame();
}

void QuitGame()
{
    TTable &table = Table();
    if (table.Connection)
        table.Connection->Close();
    CloseSplash();
    DestroyPlayers();
    ReleaseInstanceMark();
    DestroyConnectDialog();
    Shared().QuitRequested = true;
    QCoreApplication::exit(0);
}
