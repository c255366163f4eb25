#include "Initialize.h"

#include "Global.h"
#include "IniFile.h"
#include "Protocol.h"
#include "SkinEngine.h"
#include "Sound.h"
#include "Winsock_Handling.h"

#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTime>
#include <memory>
#include <vector>

namespace {
// The memo is the game's log; it keeps about this many lines (a tenth more at most), so
// that a flood cannot eat memory.
constexpr int MemoLineLimit = 10000;

std::optional<std::pair<QSize, QRect>> screenOverride;
std::array<QCursor, 4> customCursors;  // made when the table is completed
bool customCursorsMade = false;
const char *const cursorKindProperty = "kelmarCursorKind";

std::pair<QSize, QRect> primaryScreen()
{
    if (screenOverride)
        return *screenOverride;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QSize(800, 600), QRect(0, 0, 800, 600)};
    return {screen->geometry().size(), screen->availableGeometry()};
}

QRect centredBoard(QSize screen) { return QRect((screen.width() - 800) / 2, (screen.height() - 600) / 2, 800, 600); }

// A frame carries only the system menu and the close box: no minimise, no maximise.
Qt::WindowFlags windowFlagsFor(ScreenFit::Kind kind)
{
    if (kind != ScreenFit::Centred)
        return Qt::Window | Qt::FramelessWindowHint;
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint;
}

// False when the screen is too small for the board.
bool applyWindowProperties(QWidget *board)
{
    const auto [screen, workArea] = primaryScreen();
    const ScreenFit fit = FitScreen(screen, workArea);
    if (fit.kind == ScreenFit::TooSmall) {
        ShowMessage(QString::fromLatin1(ScreenTooSmallText));
        return false;
    }
    board->setWindowFlags(windowFlagsFor(fit.kind));
    board->setGeometry(fit.frame);
    board->setFixedSize(fit.frame.size());
    board->setWindowTitle(QStringLiteral("Kelmar 1.5 [client]"));
    QPalette palette = board->palette();
    palette.setColor(QPalette::Window,
                     Config().ReadColor(QStringLiteral("Color"), QStringLiteral("Background"), ColorTable::Background));
    board->setPalette(palette);
    board->setAutoFillBackground(true);
    return true;
}

QString latin1(const std::string &text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }
QString seatName(int view) { return latin1(Model().SeatAt(view).GetName()); }
QString noticeText(int number)
{
    const std::string_view text = Protocol::NoticeText(number);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QString squarePicture(char picture)
{
    return picture == TTableModel::StartMark ? QStringLiteral("g-small") : QString(QLatin1Char(picture));
}

// A chain position as the model holds it: its picture, whether it takes drops, its mark.
void drawSquare(int position)
{
    const TTableModel::Square &held = Model().Chain(position);
    TDropCards *square = ChainAt(position);
    square->LoadTiny(squarePicture(held.Picture));
    square->setEnabled(held.Occupied);
    square->SetLatest(held.Latest);
}

void setHandEnabled()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        Player(Local).Tile(slot)->setEnabled(Model().Hand(slot).Enabled);
}

void writeWelcome()
{
    LogLine(QStringLiteral("Connected"));
    const QString rule = QStringLiteral("      ============================================");
    AddMemoLine(rule);
    AddMemoLine(QStringLiteral("         ==== W E L C O M E  T O  K E L M A R ===="));
    AddMemoLine(rule);
    LogLine(QStringLiteral("Waiting for another player to join"));
}

void writeConnectionError(int errorCode)
{
    LogLine(QStringLiteral("not connected ..."));
    LogLine(QStringLiteral("Connection Error, ErrorCode:%1").arg(errorCode));
    LogLine(QStringLiteral("please, check your client nor server"));
    LogLine(QStringLiteral("   configuration"));
}

// Keeps the controls, the memo and the sounds of the table in step with the model.
class TTableView : public TTableModel::Listener {
public:
    void GameReset() override { ResetTable(); }
    void TileDealt(int slot) override { Player(Local).Tile(slot)->SetTile(Model().Hand(slot).Tile); }
    void ChainChanged(int position) override { drawSquare(position); }
    void HandSwitched() override { setHandEnabled(); }
    void TurnBegan() override
    {
        SetTurnIndicator(true);
        AskForAttention(Table().Board);
    }
    void TurnEnded() override { SetTurnIndicator(false); }
    void MoverShown(int mover) override
    {
        for (int view = Local; view <= RightSeat; ++view)
            SetLabelColor(SeatLabel(view), view == mover ? NamedColor::Red : NamedColor::Black);
        if (mover != Local)
            LogLine(QStringLiteral("Waiting for %1 to move").arg(seatName(mover)));
    }
    void TilePlayed(int view, int slot) override
    {
        if (view == Local)
            Player(Local).Tile(slot)->ShowBack();
        else
            Player(view).ClearTile(slot);
    }
    void Greeted(char seatNumber) override
    {
        LogLine(QStringLiteral("Hello %1, You are player number %2")
                    .arg(seatName(Local), QString(QLatin1Char(seatNumber))));
    }
    void NoticeReceived(int number) override { LogLine(noticeText(number)); }
    void NameReceived(int view) override
    {
        LogLine(QStringLiteral("Receiving Player Data . . ."));
        if (view != Local)
            SeatLabel(view)->setText(ShownText(seatName(view)));
    }
    void ScoresComplete() override { WriteScoreBoard(); }

    // What ServerKelmar's extensions tell, written to the memo.
    void ReasonReceived(int reason) override
    {
        if (reason == int(Protocol::Reason::TimeUp))
            timeUp_ = true;  // said with the tile the bot plays
        else
            LogLine(QStringLiteral("You missed too many turns: a bot plays your seat from now on"));
    }
    void MoveTold(int view, int tile) override
    {
        const auto pips = Rules::PipsOfTile(tile);
        const QString shown = QStringLiteral("%1-%2").arg(pips->first).arg(pips->second);
        if (view == Local && std::exchange(timeUp_, false))
            LogLine(QStringLiteral("Time is up: a bot played %1 for you").arg(shown));
        else
            LogLine(QStringLiteral("%1 plays %2").arg(seatName(view), shown));
    }
    void PassTold(int view) override { LogLine(QStringLiteral("%1 cannot move and passes").arg(seatName(view))); }
    void EndTold(int ending, int view) override
    {
        LogLine(ending == int(Protocol::Ending::WentOut) ? QStringLiteral("%1 went out").arg(seatName(view))
                                                         : QStringLiteral("Nobody can move: the game is blocked"));
    }
    void MatchChanged() override
    {
        if (const int winner = Model().MatchWinner(); winner >= 0)
            LogLine(QStringLiteral("%1 wins the match with the lowest total!").arg(seatName(winner)));
    }
    void PlayerBack(int view) override { LogLine(QStringLiteral("%1 is back").arg(seatName(view))); }

private:
    bool timeUp_ = false;  // a bot plays this turn for the local player
    void ConnectionChanged(TTableModel::Connection state) override
    {
        switch (state) {
        case TTableModel::Connection::Joining: SetWatchdogEnabled(true); return writeWelcome();
        case TTableModel::Connection::Connected:
            Table().StatusLabel->setText(QStringLiteral("Online"));
            return SetLabelColor(Table().StatusLabel, NamedColor::Lime);
        case TTableModel::Connection::Failed:
            writeConnectionError(Model().SocketError());
            SetEnabled({Table().ConnectButton}, true);
            return SetWatchdogEnabled(false);
        default: return;
        }
    }
};

void registerCustomCursors()
{
    if (customCursorsMade)
        return;
    customCursorsMade = true;
    const char *const names[] = {"Arrow", "FHand", "HHand"};
    for (int i = 0; i < 3; ++i) {
        const QPixmap picture = BuiltinPixmap(QString::fromLatin1(names[i]));
        customCursors[i + 1] = picture.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(picture, 0, 0);
    }
}
}  // namespace

ScreenFit FitScreen(QSize screen, QRect workArea)
{
    const int w = screen.width(), h = screen.height();
    if (w == 800 && h == 600)
        return {ScreenFit::FillWorkArea, workArea};
    if (w > 800 && h > 600)
        return {ScreenFit::Centred, centredBoard(screen)};
    if (w < 800 || h < 600)
        return {ScreenFit::TooSmall, QRect()};
    return {ScreenFit::Borderless, centredBoard(screen)};
}

void SetScreenOverride(std::optional<std::pair<QSize, QRect>> screen) { screenOverride = screen; }

QRect ScreenRect() { return QRect(QPoint(0, 0), primaryScreen().first); }

void CentreOnScreen(QWidget *window, QSize outerSize)
{
    const QRect screen = ScreenRect();
    window->move(screen.x() + (screen.width() - outerSize.width()) / 2,
                 screen.y() + (screen.height() - outerSize.height()) / 2);
}

void FillWithPicture(QWidget *window, const QString &path)
{
    auto *picture = new QLabel(window);
    picture->setGeometry(window->rect());
    picture->setPixmap(LoadPicture(path).scaled(window->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QCursor CustomCursor(CursorKind kind)
{
    if (customCursorsMade)
        return customCursors[static_cast<std::size_t>(kind)];
    switch (kind) {  // the system's own, until the table is completed
    case CursorKind::PointHand: return QCursor(Qt::PointingHandCursor);
    case CursorKind::DragHand: return QCursor(Qt::ClosedHandCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

void SetCustomCursor(QWidget *control, CursorKind kind)
{
    control->setProperty(cursorKindProperty, static_cast<int>(kind));
    control->setCursor(CustomCursor(kind));
}

TTableModel &Model() { return Table().Model; }

TPlayer &Player(int view)
{
    TTable &table = Table();
    if (view < 0 || view > 3 || !table.Players[static_cast<std::size_t>(view)])
        throw KelmarError(QStringLiteral("The table is not built"));
    return *table.Players[static_cast<std::size_t>(view)];
}

void DestroyPlayers()
{
    for (auto &player : Table().Players)
        player.reset();
}

bool BuildTable()
{
    TTable &table = Table();
    if (!applyWindowProperties(table.Board))
        return false;
    CreateTableObjects();
    LayoutHand();
    LayoutOpponents();
    LayoutChain();
    PlaceMemo();
    CreateClientSocket();
    table.OwnNameLabel = CreateSeatLabel(QStringLiteral("thisPlayer"), 100, 550);
    table.OwnNameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table.LeftLabel = CreateSeatLabel(QStringLiteral("Left"), 16, 80);
    table.TopLabel = CreateSeatLabel(QStringLiteral("Top"), 598, 9);
    table.RightLabel = CreateSeatLabel(QStringLiteral("Right"), 693, 495);
    table.RightLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table.StatusLabel = CreateSeatLabel(QStringLiteral("Offline"), 720, 550);
    SetLabelColor(table.StatusLabel, NamedColor::Red);
    table.View = std::make_unique<TTableView>();
    table.Model.AddListener(table.View.get());
    return true;
}

TDropCards *ChainAt(int position)
{
    return (position >= 1 && position <= Rules::RingSize) ? Table().Chain[static_cast<std::size_t>(position)].data()
                                                          : nullptr;
}

QLabel *SeatLabel(int view)
{
    const TTable &table = Table();
    const std::array<QLabel *, 4> labels{table.OwnNameLabel, table.LeftLabel, table.TopLabel, table.RightLabel};
    return (view >= 0 && view <= 3) ? labels[static_cast<std::size_t>(view)] : nullptr;
}

QPoint RingPosition(int p)
{
    if (p <= 9)
        return {164 + 52 * (p - 1), 395};
    if (p <= 14)
        return {580, 395 - 53 * (p - 9)};
    if (p <= 22)
        return {580 - 52 * (p - 14), 130};
    return {164, 130 + 53 * (p - 22)};
}

void CreateTableObjects()
{
    TTable &table = Table();
    for (auto &player : table.Players)
        player = std::make_unique<TPlayer>();
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        for (int view = Local; view <= RightSeat; ++view) {
            auto *tile = new TCards(table.Board);
            tile->SetDraggable(view == Local);
            Player(view).SetTile(slot, tile);
        }
    }
    for (int p = 1; p <= Rules::RingSize; ++p) {
        auto *square = new TDropCards(table.Board);
        square->Position = static_cast<std::uint8_t>(p);
        table.Chain[static_cast<std::size_t>(p)] = square;
    }
}

void PlaceHandTile(TCards *tile, int left, int top, const QString &picture)
{
    tile->move(left, top);
    tile->LoadFace(picture);
    tile->resize(55, 111);
    tile->SetDraggable(true);
    SetCustomCursor(tile, CursorKind::PointHand);
}

void LayoutHand()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        TCards *tile = Player(Local).Tile(slot);
        PlaceHandTile(tile, 144 + 56 * slot, 456, QStringLiteral("back_this"));
    }
}

void LayoutOpponents()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        const int d = 56 * (slot - 1);
        Player(RightSeat).PlaceTile(slot, 672, 100 + d, SeatSide::Right);
        Player(TopSeat).PlaceTile(slot, 200 + d, 10, SeatSide::Top);
        Player(LeftSeat).PlaceTile(slot, 16, 100 + d, SeatSide::Left);
    }
}

void PlaceChainPosition(TDropCards *position, int left, int top, const QString &picture)
{
    if (position->parentWidget() != Table().Board)  // a new parent would hide it again
        position->setParent(Table().Board);
    position->move(left, top);
    position->LoadTiny(picture);
    position->resize(53, 54);
    position->show();
}

void LayoutChain()
{
    for (int p = 1; p <= Rules::RingSize; ++p) {
        const QPoint at = RingPosition(p);
        PlaceChainPosition(ChainAt(p), at.x(), at.y(), squarePicture(Model().Chain(p).Picture));
        ChainAt(p)->setEnabled(Model().Chain(p).Occupied);
        ChainAt(p)->SetLatest(Model().Chain(p).Latest);
    }
}

void PutFirstInTabChain(QWidget *window, QWidget *control)
{
    // The chain is a ring through the window, and a control goes right after the window
    // only while the window itself takes part in it.
    const Qt::FocusPolicy policy = window->focusPolicy();
    window->setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(window, control);
    window->setFocusPolicy(policy);
}

namespace {
void createMemo()
{
    TTable &table = Table();
    auto *memo = new QPlainTextEdit(table.Board);
    table.Memo = memo;
    memo->setGeometry(224, 191, 345, 168);
    memo->setReadOnly(true);
    memo->setUndoRedoEnabled(false);  // a log nobody edits: every line would stay in the history
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // No border, only a flat one-pixel bevel in the shadow colour.
    memo->setFrameStyle(QFrame::Panel | QFrame::Plain);
    memo->setLineWidth(1);
    QPalette bevel = memo->palette();
    bevel.setColor(QPalette::WindowText, bevel.color(QPalette::Dark));
    memo->setPalette(bevel);
    QFont font = BoardFont(QStringLiteral("Comic Sans MS"));
    font.setPointSize(8);
    memo->setFont(font);
    SetMemoColor(table.MemoColor.isValid() ? table.MemoColor : NamedColor::Cream);
    PutFirstInTabChain(table.Board, memo);  // where it stands when it is built with the table
    if (table.MemoBinding)
        table.MemoBinding(memo);
    memo->show();
}
}  // namespace

void PlaceMemo() { Table().MemoPlaced = true; }

void WhenMemoBuilt(const std::function<void(QPlainTextEdit *)> &bind)
{
    TTable &table = Table();
    table.MemoBinding = bind;
    if (table.Memo)
        bind(table.Memo);
}

QPlainTextEdit *Memo()
{
    const TTable &table = Table();
    if (!table.Memo && table.MemoPlaced)
        createMemo();
    return table.Memo;
}

namespace {
// The board's own cursors, on the controls that SetCustomCursor gave a kind.
void applyCustomCursors(QWidget *board)
{
    registerCustomCursors();
    for (QWidget *control : board->findChildren<QWidget *>())
        if (const QVariant kind = control->property(cursorKindProperty); kind.isValid())
            control->setCursor(CustomCursor(static_cast<CursorKind>(kind.toInt())));
}
}  // namespace

void CompleteTable()
{
    QWidget *board = Table().Board;
    ResolveBoardFonts(board);
    applyCustomCursors(board);
    Memo();
}

void CreateClientSocket()
{
    auto *connection = new TClientConnection(Table().Board, Table().Model);
    QObject::connect(connection, &TClientConnection::Echo, connection, [](const QString &line) { LogLine(line); });
    Table().Connection = connection;
}

QLabel *CreateSeatLabel(const QString &caption, int left, int top)
{
    auto *label = new QLabel(caption, Table().Board);
    label->setTextFormat(Qt::PlainText);  // names are text, never markup
    label->setGeometry(left, top, 90, 16);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = BoardFont(QStringLiteral("verdana"));
    font.setPointSize(10);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->show();
    return label;
}

void LogLine(const QString &text)
{
    // The locale's long time format, without the time zone that Qt appends to it. The
    // local time is worked out once a second: it asks the system for the time zone.
    static const QString format
        = QLocale::system().timeFormat(QLocale::LongFormat).remove(QRegularExpression(QStringLiteral("\\s*t+")));
    static qint64 second = -1;
    static QString time;
    if (const qint64 now = QDateTime::currentMSecsSinceEpoch() / 1000; now != second) {
        second = now;
        time = QLocale::system().toString(QTime::currentTime(), format);
    }
    AddMemoLine(QStringLiteral("[ %1 ] : %2").arg(time, text));
}

namespace {
QStringList waitingLines;  // at most MemoLineLimit: older ones would leave the memo at once
}  // namespace

void AddMemoLine(const QString &line)
{
    if (waitingLines.isEmpty()) {  // the memo takes what came in one turn of the event loop at once
        QWidget *board = Table().Board;
        QMetaObject::invokeMethod(
            board, [] { Guarded(FlushMemo); }, Qt::QueuedConnection);
    }
    waitingLines.append(ShownText(line));
    if (waitingLines.size() >= 2 * MemoLineLimit)
        waitingLines.remove(0, waitingLines.size() - MemoLineLimit);
}

void ClearMemo()
{
    waitingLines.clear();
    if (QPlainTextEdit *memo = Table().Memo)
        memo->clear();
}

void FlushMemo()
{
    if (waitingLines.isEmpty())
        return;
    const QStringList lines = std::exchange(waitingLines, {});
    QPlainTextEdit *memo = Memo();
    if (!memo)
        return;
    memo->appendPlainText(lines.mid(std::max<qsizetype>(0, lines.size() - MemoLineLimit)).join(QLatin1Char('\n')));
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());  // the newest line, always
    // The oldest lines go a tenth of the limit at a time: taking lines from the top makes
    // the memo measure all the others again.
    const int excess = memo->blockCount() - MemoLineLimit;
    if (excess > MemoLineLimit / 10) {
        QTextCursor top(memo->document());
        top.setPosition(memo->document()->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        top.removeSelectedText();
    }
}

void SetMemoColor(const QColor &color)
{
    Table().MemoColor = color;  // a memo not built yet takes it when it is
    QPlainTextEdit *memo = Table().Memo;
    if (!memo || memo->palette().color(QPalette::Base) == color)
        return;
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, color);
    memo->setPalette(palette);
}

void SetLabelColor(QLabel *label, const QColor &color)
{
    if (!label)
        return;
    // A label takes turns between two colours (black and red for whose move it is, red and
    // lime for the status): each has a role of its own in the label's palette, and a change
    // of role is far cheaper than a change of palette. A role counts only when the label
    // sets it itself: an inherited one follows the application's palette, which a skin changes.
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::BrightText})
        if (label->palette().color(role) == color && label->palette().isBrushSet(QPalette::Active, role))
            return label->setForegroundRole(role);
    const QPalette::ColorRole spare
        = label->foregroundRole() == QPalette::BrightText ? QPalette::WindowText : QPalette::BrightText;
    QPalette palette = label->palette();
    palette.setColor(spare, color);
    label->setPalette(palette);
    label->setForegroundRole(spare);
}

QColor LabelColor(const QLabel *label) { return label->palette().color(label->foregroundRole()); }

void ResetTable()
{
    LogLine(QStringLiteral("Loading . . ."));
    setHandEnabled();
    LayoutOpponents();
    LayoutChain();
    LayoutHand();
}

void SetTurnIndicator(bool active)
{
    if (active)
        LogLine(QStringLiteral("%1, %2").arg(seatName(Local), noticeText(Protocol::YourTurn)));
    const QString key = active ? QStringLiteral("MemoActive") : QStringLiteral("MemoInactive");
    SetMemoColor(
        Config().ReadColor(QStringLiteral("Color"), key, active ? ColorTable::MemoActive : ColorTable::MemoInactive));
}

void WriteScoreBoard()
{
    const TTableModel &model = Model();
    AddMemoLine(QStringLiteral("========[ Score ]========"));
    for (int view = Local; view <= RightSeat; ++view)
        AddMemoLine(QStringLiteral("%1 : %2").arg(seatName(view)).arg(model.SeatAt(view).Score));
    AddMemoLine(QStringLiteral("========================="));
    // The winner's score is lower than each of the other three; a shared lowest has none.
    for (int view = Local; view <= RightSeat; ++view) {
        bool lowest = true;
        for (int other = Local; other <= RightSeat; ++other)
            lowest = lowest && (other == view || model.SeatAt(view).Score < model.SeatAt(other).Score);
        if (lowest) {
            AddMemoLine(QStringLiteral("Congratulation, %1 you're the winner").arg(seatName(view)));
            break;
        }
    }
    PlayEffect(QStringLiteral("clap"));
}

void SetWatchdogEnabled(bool enabled)
{
    QTimer *timer = Table().WatchdogTimer;
    if (!timer)
        return;
    if (enabled)
        timer->start();
    else
        timer->stop();
}

namespace {
QString skinFile() { return ResourceDir() + QStringLiteral("mxskin11.skin"); }
}  // namespace

void BeginSkinUnpacking()
{
    QFile file(skinFile());
    // Whatever cannot be read here is left to LoadSkin, which reports it.
    if (file.open(QIODevice::ReadOnly) && file.size() <= TSkinStore::MaxFileSize)
        TSkinUnpacking::Begin(file.readAll());
}

void LoadSkin()
{
    TTable &table = Table();
    table.SkinStore = std::make_unique<TSkinStore>();
    table.Skin = std::make_unique<TSkinData>();
    QObject::connect(table.Skin.get(), &TSkinData::problem, table.Board,
                     [](const QString &text) { ShowMessage(text); });
    DressWindowsWith(table.Skin.get(), table.Board);
    const QString file = skinFile();
    table.SkinStore->Add();
    table.SkinStore->Rename(0, file);  // so that a report names the file
    try {
        table.SkinStore->LoadFromFile(0, file);
        table.Skin->SelectEntry(*table.SkinStore, 0);
        table.Skin->SetActive(true);
    } catch (const std::exception &e) {
        // Reported here rather than thrown, so that start-up goes on without the skin.
        ReportError(QString::fromStdString(e.what()));
    }
}

namespace {
struct BannerFrame {
    QPixmap picture;
    int delayMs;
};

// The banner's frames, each decoded when it is first shown and kept, in the 8 bits a pixel
// of the banner's few colours where that keeps it exact: a frame decodes in tens of
// microseconds, which twelve times a second is more than the rest of showing it. A damaged
// or oversized file cannot make it read without end or hold more than a few MiB.
class TBannerFrames {
public:
    explicit TBannerFrames(const QString &path) : reader_(path, "gif")
    {
        reader_.setAutoDetectImageFormat(false);  // no other image plugin is loaded to ask
    }

    // The next frame, the first again after the last; nullopt when there is no frame to
    // change to (no file, or a single picture already shown).
    std::optional<BannerFrame> Next()
    {
        if (next_ == frames_.size()) {  // every frame read so far has been shown
            if (!complete_ && !readOne())
                complete_ = true;
            if (complete_) {
                if (frames_.size() < 2 && next_ > 0)
                    return std::nullopt;
                next_ = 0;
            }
        }
        if (next_ >= frames_.size())
            return std::nullopt;
        const Kept &frame = frames_[next_++];
        return BannerFrame{QPixmap::fromImage(frame.picture), frame.delayMs};
    }

private:
    struct Kept {
        QImage picture;
        int delayMs;
    };

    bool readOne()
    {
        constexpr std::size_t MaxFrames = 1000;
        constexpr qsizetype MaxKeptBytes = 4 << 20;
        constexpr int ShortestDelayMs = 10;
        if (frames_.size() >= MaxFrames || keptBytes_ >= MaxKeptBytes)
            return false;
        const QImage image = reader_.read();
        if (image.isNull())
            return false;
        QImage compact = image.convertToFormat(QImage::Format_Indexed8);
        if (compact.convertToFormat(image.format()) != image)
            compact = image;  // more colours than 8 bits hold
        keptBytes_ += compact.sizeInBytes();
        frames_.push_back({std::move(compact), std::max(reader_.nextImageDelay(), ShortestDelayMs)});
        return true;
    }

    QImageReader reader_;
    std::vector<Kept> frames_;
    std::size_t next_ = 0;  // the frame to show next
    qsizetype keptBytes_ = 0;
    bool complete_ = false;
};
}  // namespace

void CreateBanner()
{
    TTable &table = Table();
    auto *banner = new TImage(table.Board);
    table.Banner = banner;
    banner->setGeometry(344, 366, 104, 24);
    banner->setContextMenuPolicy(Qt::PreventContextMenu);
    banner->show();
    auto frames = std::make_shared<TBannerFrames>(ResourceDir() + QStringLiteral("Data1.kmr"));
    // The first frame is decoded when the banner is first drawn, and the frames step from then.
    banner->SetPictureSource([banner, frames]() -> QPixmap {
        const std::optional<BannerFrame> first = frames->Next();
        if (!first)  // no banner file: the banner stays empty
            return {};
        // Each frame covers the whole banner: nothing under it is painted again at each
        // frame, and one repeating timer steps the frames.
        banner->setAttribute(Qt::WA_OpaquePaintEvent);
        auto *timer = new QTimer(banner);
        QObject::connect(timer, &QTimer::timeout, banner, [banner, timer, frames] {
            const std::optional<BannerFrame> frame = frames->Next();
            if (!frame) {  // a still picture
                timer->stop();
                return;
            }
            banner->ShowNow(frame->picture);
            if (timer->interval() != frame->delayMs)
                timer->setInterval(frame->delayMs);
        });
        timer->start(first->delayMs);
        return first->picture;
    });
}
