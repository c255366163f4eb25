#include "Initialize.h"

#include "Global.h"
#include "IniFile.h"
#include "Main.h"
#include "Player_Prototype.h"
#include "Rules.h"
#include "Winsock_Handling.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMovie>
#include <QRegularExpression>
#include <QScreen>
#include <QTime>

std::array<QPointer<TDropCards>, 27> Chain;
QPointer<QPlainTextEdit> Memo;
QPointer<QTcpSocket> ClientSocket;
QPointer<QLabel> OwnNameLabel, LeftLabel, TopLabel, RightLabel, StatusLabel;
QPointer<QLabel> Banner;
QString ServerAddress;

namespace {
// The memo is the game's log; it keeps this many lines so that a flood cannot eat memory.
constexpr int MemoLineLimit = 10000;

std::optional<std::pair<QSize, QRect>> screenOverride;
std::array<QCursor, 4> customCursors;

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

void applyWindowProperties()
{
    const auto [screen, workArea] = primaryScreen();
    const ScreenFit fit = FitScreen(screen, workArea);
    if (fit.kind == ScreenFit::TooSmall) {
        ShowMessage(QString::fromLatin1(ScreenTooSmallText));
        QuitGame();
        return;
    }
    // A frame carries only the system menu and the close box: no minimise, no maximise.
    const Qt::WindowFlags flags = fit.kind == ScreenFit::Centred ? Qt::Window | Qt::CustomizeWindowHint
            | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                                                 : Qt::Window | Qt::FramelessWindowHint;
    MainBoard->setWindowFlags(flags);
    MainBoard->setGeometry(fit.frame);
    MainBoard->setFixedSize(fit.frame.size());
    MainBoard->setWindowTitle(QStringLiteral("Kelmar 1.5 [client]"));
    QPalette palette = MainBoard->palette();
    palette.setColor(QPalette::Window,
                     Config().ReadColor(QStringLiteral("Color"), QStringLiteral("Background"), ColorTable::Background));
    MainBoard->setPalette(palette);
    MainBoard->setAutoFillBackground(true);
}

void registerCustomCursors()
{
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

void BuildTable()
{
    applyWindowProperties();
    if (QuitRequested)
        return;
    registerCustomCursors();
    CreateTableObjects();
    LayoutHand();
    LayoutOpponents();
    LayoutChain();
    CreateMemo();
    CreateClientSocket(QString());
    OwnNameLabel = CreateSeatLabel(QStringLiteral("thisPlayer"), 100, 550);
    OwnNameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LeftLabel = CreateSeatLabel(QStringLiteral("Left"), 16, 80);
    TopLabel = CreateSeatLabel(QStringLiteral("Top"), 598, 9);
    RightLabel = CreateSeatLabel(QStringLiteral("Right"), 693, 495);
    RightLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusLabel = CreateSeatLabel(QStringLiteral("Offline"), 720, 550);
    SetLabelColor(StatusLabel, NamedColor::Red);
}

TDropCards *ChainAt(int position)
{
    return (position >= 1 && position <= Rules::RingSize) ? Chain[static_cast<std::size_t>(position)].data() : nullptr;
}

bool IsOccupied(int position)
{
    const TDropCards *square = ChainAt(position);
    return square && square->isEnabledTo(square->parentWidget());
}

QLabel *SeatLabel(int view)
{
    const std::array<QLabel *, 4> labels{OwnNameLabel, LeftLabel, TopLabel, RightLabel};
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
    CreatePlayers();
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        for (int view = Local; view <= RightSeat; ++view) {
            auto *tile = new TCards(MainBoard);
            tile->SetDraggable(view == Local);
            Player(view).SetTile(slot, tile);
        }
    }
    for (int p = 1; p <= Rules::RingSize; ++p) {
        auto *square = new TDropCards(MainBoard);
        square->Position = static_cast<std::uint8_t>(p);
        Chain[static_cast<std::size_t>(p)] = square;
    }
}

void PlaceHandTile(TCards *tile, int left, int top, const QString &picture)
{
    tile->move(left, top);
    tile->LoadFace(picture);
    tile->resize(55, 111);
    tile->SetDraggable(true);
    tile->setCursor(CustomCursor(2));
}

void LayoutHand()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        TCards *tile = Player(Local).Tile(slot);
        PlaceHandTile(tile, 144 + 56 * slot, 456, QStringLiteral("back_this"));
        tile->FirstPips = 0;
        tile->SecondPips = 0;
    }
}

void LayoutOpponents()
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        const int d = 56 * (slot - 1);
        Player(RightSeat).PlaceTile(slot, 672, 100 + d, 'R');
        Player(TopSeat).PlaceTile(slot, 200 + d, 10, 'T');
        Player(LeftSeat).PlaceTile(slot, 16, 100 + d, 'L');
    }
}

void PlaceChainPosition(TDropCards *position, int left, int top, const QString &picture)
{
    position->setParent(MainBoard);
    position->move(left, top);
    position->LoadTiny(picture);
    position->resize(53, 54);
    position->show();
}

void LayoutChain()
{
    for (int p = 1; p <= Rules::RingSize; ++p) {
        TDropCards *square = ChainAt(p);
        square->setEnabled(false);
        const QPoint at = RingPosition(p);
        PlaceChainPosition(square, at.x(), at.y(), QStringLiteral("9"));
    }
    ChainAt(1)->LoadTiny(QStringLiteral("/g-small"));
}

void CreateMemo()
{
    Memo = new QPlainTextEdit(MainBoard);
    Memo->setGeometry(224, 191, 345, 168);
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFrameStyle(QFrame::Box | QFrame::Plain);
    Memo->setMaximumBlockCount(MemoLineLimit);
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPointSize(8);
    Memo->setFont(font);
    SetMemoColor(NamedColor::Cream);
    MainBoard->setTabOrder(Memo, Memo);
    Memo->show();
}

void CreateClientSocket(const QString &address)
{
    ClientSocket = new QTcpSocket(MainBoard);
    ServerAddress = address;
}

QLabel *CreateSeatLabel(const QString &caption, int left, int top)
{
    auto *label = new QLabel(caption, MainBoard);
    label->setGeometry(left, top, 90, 16);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QFont font(QStringLiteral("verdana"));
    font.setPointSize(10);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->show();
    return label;
}

std::uint8_t NextPosition(int p) { return Rules::NextPosition(IsOccupied, p); }

void LogLine(const QString &text)
{
    // The locale's long time format, without the time zone that Qt appends to it.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    AddMemoLine(QStringLiteral("[ %1 ] : %2").arg(QLocale::system().toString(QTime::currentTime(), format), text));
}

void AddMemoLine(const QString &line)
{
    if (Memo)
        Memo->appendPlainText(line);
}

void SetMemoColor(const QColor &color)
{
    if (!Memo)
        return;
    QPalette palette = Memo->palette();
    palette.setColor(QPalette::Base, color);
    Memo->setPalette(palette);
}

void SetLabelColor(QLabel *label, const QColor &color)
{
    if (!label)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void ResetTable()
{
    LogLine(QStringLiteral("Loading . . ."));
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        Player(Local).Tile(slot)->setEnabled(true);
    LayoutOpponents();
    LayoutChain();
    LayoutHand();
    TurnFlag = false;
    SetTurnIndicator(false);
    Online = ClientSocket && ClientSocket->state() == QAbstractSocket::ConnectedState;
}

void LoadSkin() {}

void CreateBanner()
{
    Banner = new QLabel(MainBoard);
    Banner->setGeometry(344, 366, 104, 24);
    Banner->setContextMenuPolicy(Qt::PreventContextMenu);
    auto *movie = new QMovie(ResourceDir() + QStringLiteral("/Data1.kmr"), "gif", Banner);
    Banner->setMovie(movie);
    movie->start();
    Banner->show();
}

QCursor CustomCursor(int number)
{
    return (number >= 1 && number <= 3) ? customCursors[number] : QCursor(Qt::ArrowCursor);
}
