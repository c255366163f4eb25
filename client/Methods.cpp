#include "Methods.h"

#include "Global.h"
#include "Initialize.h"
#include "Protocol.h"
#include "Sound.h"
#include "Winsock_Handling.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QUrl>

namespace {
// Sends an accepted move and finishes it: the tile is played (its back shows) and the
// turn ends; the last message tells whether the hand is now empty.
void sendMove(const Protocol::PlacedMove &move)
{
    TClientConnection &connection = *Table().Connection;
    for (const std::string &message : Protocol::MoveMessages(move))
        connection.Send(QByteArray::fromStdString(message));
    Model().PlayOwnTile(move.slot);
    PlayEffect(QStringLiteral("FX3"));
    connection.Send(QByteArray::fromStdString(Protocol::HandStateMessage(move.seat, Model().HandEmpty())));
}

void refuse(Protocol::Refusal refusal)
{
    Table().Connection->Send(QByteArray::fromStdString(Protocol::RefusalMessage(refusal)));
    PlayEffect(QStringLiteral("FX1"));
}

// The slot of a dragged hand tile as the model holds it: the first slot with its tile,
// or 0 for a tile that was not dealt since the reset.
int slotOf(const TCards *tile)
{
    const TTableModel &model = Model();
    return model.FindHandSlot(model.Hand(Player(Local).SlotOf(tile)).Tile);
}

void dropOnChain(const TDropCards *target, const TCards *source)
{
    const TTableModel &model = Model();
    const int slot = slotOf(source);
    // Not this player's move, or no tile: nothing is sent and the tile stays.
    if (!model.TurnFlag() || slot == 0)
        return;
    const TTableModel::HandSlot &tile = model.Hand(slot);
    const Rules::Placement placement = model.PlacementOf(slot, target->Position);
    switch (placement.kind) {
    case Rules::Placement::Opening:
    case Rules::Placement::Match:
        return sendMove(Protocol::MakeMove(model.OwnSeatIndex(), slot, {tile.FirstPips, tile.SecondPips},
                                           target->Position, placement));
    case Rules::Placement::NoRoom: return refuse(Protocol::Refusal::NoRoom);
    case Rules::Placement::Mismatch: return refuse(Protocol::Refusal::Mismatch);
    }
}

bool isSelectionKey(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: return key.modifiers() & Qt::ShiftModifier;
    default: return false;
    }
}

// Handles the event for the memo (keys) or its viewport (the mouse); true swallows it.
bool guardMemo(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return qobject_cast<QPlainTextEdit *>(watched) && isSelectionKey(*static_cast<QKeyEvent *>(event));
    case QEvent::MouseMove: {
        auto *memo = qobject_cast<QPlainTextEdit *>(watched->parent());
        if (!memo || !(static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton))
            return false;
        // The move itself is swallowed too: the memo would extend the selection after us.
        QTextCursor cursor = memo->textCursor();
        if (cursor.hasSelection()) {
            cursor.clearSelection();
            memo->setTextCursor(cursor);
        }
        return true;
    }
    default: return false;
    }
}

TModuleClass &moduleClass()
{
    static TModuleClass module;
    return module;
}

// Runs an action when the watched window is asked to close.
class TCloseBox : public QObject {
public:
    TCloseBox(QWidget *window, std::function<void()> cancel) : QObject(window), cancel_(std::move(cancel)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            Guarded(cancel_);
        return false;
    }

private:
    std::function<void()> cancel_;
};

QPointer<TCards> draggedTile;

bool taken(Rules::Placement::Kind kind) { return kind == Rules::Placement::Opening || kind == Rules::Placement::Match; }
}  // namespace

void ShowDropHints(TCards *tile)
{
    draggedTile = tile;
    RefreshDropHints();
}

void RefreshDropHints()
{
    const TTableModel &model = Model();
    const int slot = draggedTile ? slotOf(draggedTile) : 0;
    const bool inTurn = slot != 0 && model.TurnFlag() && !model.Hand(slot).Played();
    for (int p = 1; p <= Rules::RingSize; ++p)
        ChainAt(p)->SetDropHint(inTurn && model.IsOccupied(p) && taken(model.PlacementOf(slot, p).kind));
}

void ClearDropHints()
{
    draggedTile = nullptr;
    RefreshDropHints();
}

void BoardDragOver(TImage *) { PlayEffect(QStringLiteral("FX4")); }

void BoardDragDrop(TImage *target, TCards *source)
{
    if (auto *square = qobject_cast<TDropCards *>(target))
        dropOnChain(square, source);
    else if (auto *tile = qobject_cast<TCards *>(target))
        SwapPositions(tile, source);
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

bool TModuleClass::eventFilter(QObject *watched, QEvent *event)
{
    bool swallowed = false;
    Guarded([&] { swallowed = guardMemo(watched, event); });
    return swallowed;
}

void BindMemoGuards(QPlainTextEdit *memo)
{
    memo->installEventFilter(&moduleClass());
    memo->viewport()->installEventFilter(&moduleClass());
}

void BindDialogKeys(QLineEdit *address, QLineEdit *name, const std::function<void()> &connect)
{
    QObject::connect(address, &QLineEdit::returnPressed, address, [name] { name->setFocus(); });
    QObject::connect(name, &QLineEdit::returnPressed, name, [connect] { Guarded(connect); });
}

void BindCloseBox(QWidget *window, const std::function<void()> &cancel)
{
    window->installEventFilter(new TCloseBox(window, cancel));
}

void OpenWebPage() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(ProjectWebPage))); }
