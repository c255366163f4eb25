#pragma once
// Building the table on the main board and putting it back for a new game.
#include "DropCard_Prototype.h"

#include <QCursor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTcpSocket>
#include <array>
#include <optional>

// How the board takes the screen.
struct ScreenFit {
    enum Kind { FillWorkArea, Centred, Borderless, TooSmall };
    Kind kind;
    QRect frame;  // the board's client area on the screen (empty for TooSmall)
};
// Exactly 800 x 600: fill the work area without a border. Larger in both: a fixed
// 800 x 600 window centred. Larger in one and exactly the size in the other: a
// borderless 800 x 600 board centred, as a border would not fit. Smaller in either:
// too small.
ScreenFit FitScreen(QSize screen, QRect workArea);
// Replaces the primary screen's geometry for FitScreen (tests); nullopt uses the real one.
void SetScreenOverride(std::optional<std::pair<QSize, QRect>> screen);

inline const char *const ScreenTooSmallText
    = "This Games required : Windows-compatible display with at least 800x600 resolution";

// The table's controls, owned by the main board; they clear themselves when it goes.
extern std::array<QPointer<TDropCards>, 27> Chain;  // positions 1..26; [0] stays empty
extern QPointer<QPlainTextEdit> Memo;
extern QPointer<QTcpSocket> ClientSocket;
extern QPointer<QLabel> OwnNameLabel, LeftLabel, TopLabel, RightLabel, StatusLabel;
extern QPointer<QLabel> Banner;
extern QString ServerAddress;  // dotted IPv4 text, empty until the player connects
inline constexpr quint16 ServerPort = 18113;

TDropCards *ChainAt(int position);  // nullptr outside 1..26
bool IsOccupied(int position);      // enabled; positions outside 1..26 are not
QLabel *SeatLabel(int view);        // own, Left, Top, Right
// The ring: left and top of chain position 1..26.
QPoint RingPosition(int position);

void BuildTable();
void CreateTableObjects();
void PlaceHandTile(TCards *tile, int left, int top, const QString &picture);
void LayoutHand();
void LayoutOpponents();
void PlaceChainPosition(TDropCards *position, int left, int top, const QString &picture);
void LayoutChain();
void CreateMemo();
void CreateClientSocket(const QString &address);
QLabel *CreateSeatLabel(const QString &caption, int left, int top);
// Where the open half of a tile dropped on occupied position p goes: a position, 1 for
// the opening move, or 99 when p has no free neighbour.
std::uint8_t NextPosition(int p);
// "[ time ] : text" in the memo.
void LogLine(const QString &text);
void AddMemoLine(const QString &line);  // a line as it is, without a time stamp
void SetMemoColor(const QColor &color);
void SetLabelColor(QLabel *label, const QColor &color);
void ResetTable();
void LoadSkin();
void CreateBanner();
QCursor CustomCursor(int number);  // 1 buttons, 2 pointing at a hand tile, 3 dragging
