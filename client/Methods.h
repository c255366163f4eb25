#pragma once
// Event handlers of the controls made at run time: the local player's drag and drop on
// the hand and the chain, the memo's guards, the keys and close box of the connect
// dialog, and the link to the project's web page.
#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;
class TImage;
class TCards;

// The project's web page, which the splash and the about box show.
inline constexpr char ProjectWebPage[] = "https://kelmar.example.org/";

// A dragged hand tile over a hand tile or an occupied chain position.
void BoardDragOver(TImage *target);
// A hand tile dropped on a chain position makes a move or a refusal; dropped on another
// hand tile, the two swap places.
void BoardDragDrop(TImage *target, TCards *source);

// While a hand tile is dragged in the player's turn, the chain positions where a drop of
// it would be taken and sent (the start at the opening, the ends whose pips match) show a
// hint; the same placement rule decides the drop.
void ShowDropHints(TCards *tile);
void RefreshDropHints();  // the chain changed during the drag
void ClearDropHints();

// Helpers of the local player's drag and drop; finding a tile's slot and whether the
// hand is empty are the table model's.
void SwapPositions(QWidget *a, QWidget *b);

// Carries the memo's guards, which keep its text from being selected: Shift with a page
// or arrow key is swallowed, a drag with the left button selects nothing.
class TModuleClass : public QObject {
    Q_OBJECT
public:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
void BindMemoGuards(QPlainTextEdit *memo);

// Enter in the address box moves to the name box; Enter in the name box runs `connect`.
void BindDialogKeys(QLineEdit *address, QLineEdit *name, const std::function<void()> &connect);
// The window's close box runs `cancel`.
void BindCloseBox(QWidget *window, const std::function<void()> &cancel);

// Opens the project's web page; the about box's link will use it.
void OpenWebPage();
