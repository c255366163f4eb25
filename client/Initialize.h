#pragma once
// The table on the main board: the game's model and the controls that draw it, building
// them, and the view that keeps the controls in step with the model.
#include "DropCard_Prototype.h"
#include "Player_Prototype.h"
#include "Rules.h"
#include "ScorePanel.h"
#include "SkinData.h"
#include "TableModel.h"
#include "TurnClock.h"

#include <QCursor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class TClientConnection;

// The game's model and every control of the table, created by BuildTable and the
// start-up steps. The board owns it and the controls are the board's children: a pointer
// clears itself when its control goes.
struct TTable {
    explicit TTable(QWidget *board) : Board(board) {}

    TTableModel Model;     // first, so that it goes last: its listeners and the connection go before it
    QWidget *const Board;  // the main board, parent of every control
    std::unique_ptr<TTableModel::Listener> View;                  // draws the model on the controls
    std::array<std::unique_ptr<TPlayer>, 4> Players;              // view order
    std::array<QPointer<TDropCards>, Rules::RingSize + 1> Chain;  // positions 1..26; [0] stays empty
    QPointer<QPlainTextEdit> Memo;                                // once built: see Memo()
    bool MemoPlaced = false;                                      // start-up came to the memo's step
    QColor MemoColor;                                             // its background, as SetMemoColor last gave it
    std::function<void(QPlainTextEdit *)> MemoBinding;            // see WhenMemoBuilt
    QPointer<QLabel> OwnNameLabel, LeftLabel, TopLabel, RightLabel, StatusLabel;
    QPointer<TImage> Banner;
    QPointer<TClientConnection> Connection;  // the socket's one owner
    QPointer<QTimer> WatchdogTimer;
    QPointer<QPushButton> ConnectButton, CloseButton;
    QPointer<QToolButton> QuitTitleButton, InfoTitleButton;
    // What ServerKelmar's extensions tell beyond the game's own messages.
    QPointer<TTurnClock> TurnClock;
    QPointer<TScorePanel> ScorePanel;
    // LoadSkin's store and skin, last so that they go first: the skin is taken off the
    // windows while they still stand.
    std::unique_ptr<TSkinStore> SkinStore;
    std::unique_ptr<TSkinData> Skin;
};
// The table of the board that is up; throws KelmarError when there is none.
TTable &Table();
TTableModel &Model();  // the table's model

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
// The primary screen, as FitScreen sees it; windows are centred on it.
QRect ScreenRect();
// Moves a top-level window so that its frame is centred on the screen.
void CentreOnScreen(QWidget *window, QSize outerSize);
// Fills a fixed-size window with a picture file stretched to its size, under the
// controls made after it; throws KelmarError naming the file when it cannot be read.
void FillWithPicture(QWidget *window, const QString &path);

inline const char *const ScreenTooSmallText
    = "This Games required : Windows-compatible display with at least 800x600 resolution";

// The custom cursors, numbered as the table registers them.
enum class CursorKind { Arrow = 1, PointHand = 2, DragHand = 3 };
// The board's own cursor of a kind; the system's nearest one until the table is completed,
// which decodes the board's cursors (no pointer is over the board before it is on the screen).
QCursor CustomCursor(CursorKind kind);
// Gives the control the cursor, and the board's own one when the table is completed.
void SetCustomCursor(QWidget *control, CursorKind kind);

TPlayer &Player(int view);          // the record at a view position; throws when there is none
void DestroyPlayers();              // the local record first, then Left, Top and Right
TDropCards *ChainAt(int position);  // nullptr outside 1..26
QLabel *SeatLabel(int view);        // own, Left, Top, Right
// The ring: left and top of chain position 1..26.
QPoint RingPosition(int position);

// Builds the table; false when the screen is too small (after saying so).
bool BuildTable();
void CreateTableObjects();
void PlaceHandTile(TCards *tile, int left, int top, const QString &picture);
void LayoutHand();
void LayoutOpponents();
void PlaceChainPosition(TDropCards *position, int left, int top, const QString &picture);
void LayoutChain();
// The memo's step of start-up: the memo is built by CompleteTable, once the board's window
// is on the screen (its text layout loads fonts, which the window does not need to
// appear), or when it is asked for before that.
void PlaceMemo();
// Puts the control first among the window's tab stops; the others keep their order after it.
void PutFirstInTabChain(QWidget *window, QWidget *control);
// The memo, built now if start-up came to its step but it is not built yet; else null.
QPlainTextEdit *Memo();
// Binds the memo's handlers now if it is built, else when it is.
void WhenMemoBuilt(const std::function<void(QPlainTextEdit *)> &bind);
// What the board's first frame needs and its window does not: the fonts looked up and
// the memo built; and the board's own cursors. The board runs it when its window is first
// exposed, right before the first frame.
void CompleteTable();
void CreateClientSocket();
QLabel *CreateSeatLabel(const QString &caption, int left, int top);
// "[ time ] : text" in the memo.
void LogLine(const QString &text);
void AddMemoLine(const QString &line);  // a line as it is, without a time stamp
// Lines wait for the next turn of the event loop and go into the memo together: a read of
// many messages, or many reads at once, cost one layout of the memo.
void FlushMemo();  // the waiting lines, now
void ClearMemo();  // the memo and the lines waiting for it
void SetMemoColor(const QColor &color);
void SetLabelColor(QLabel *label, const QColor &color);
QColor LabelColor(const QLabel *label);  // the colour its text is drawn in
// Draws a reset of the model: "Loading . . .", the local tiles enabled and face down,
// the other seats' rows laid out again and the chain at its start.
void ResetTable();
// Writes the turn notice and gives the memo its colour for the turn's new state.
void SetTurnIndicator(bool active);
void WriteScoreBoard();
void SetWatchdogEnabled(bool enabled);  // when the watchdog timer exists
// Starts unpacking Resource/mxskin11.skin on another core, for LoadSkin to take.
void BeginSkinUnpacking();
// Loads Resource/mxskin11.skin and applies it to the program's windows. A skin that
// can't be read or used is reported, and the program goes on without it.
void LoadSkin();
void CreateBanner();
