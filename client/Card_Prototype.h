#pragma once
// Image controls of the table, and TCards, one tile of a hand.
#include <QCursor>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>

class TCards;

// A control that paints one picture unscaled from its top-left corner. While drops are
// bound to it, a hand tile dragged over it goes to the bound handlers.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent);

    void SetPicture(const QPixmap &picture);
    // The picture comes from `decode` when it is first drawn or asked for, not before: a
    // control the first frame does not show costs no decoding before it.
    void SetPictureSource(std::function<QPixmap()> decode);
    // Paints the picture now rather than at the next turn of the event loop: an
    // animation's frame then costs one trip to the window system and no wake-up. While
    // the whole control shows, the frame skips the widgets' repaint.
    void ShowNow(const QPixmap &picture);
    const QPixmap &Picture() const;
    // A picture file in place of the current picture, decoded when first drawn; throws
    // KelmarError naming the file when it is missing or not a picture.
    void LoadPicture(const QString &path);

    std::function<void(TImage *target)> onDragOver;
    std::function<void(TImage *target, TCards *source)> onDrop;
    // A drag of this (hand) tile begins and ends.
    std::function<void(TCards *tile)> onDragStart;
    std::function<void()> onDragEnd;

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Whether the whole control shows: inside its parents, and no control stacked above it
    // at any level overlaps it.
    bool standsClear() const;

    mutable QPixmap picture_;
    mutable std::function<QPixmap()> source_;  // until the picture is first needed
};

class TCards : public TImage {
    Q_OBJECT
public:
    explicit TCards(QWidget *parent);

    void LoadFace(const QString &name);  // GraphDir + name + ".bmp"
    void SetTile(int tile);              // the face of tile 1..28
    void ShowBack();                     // a played tile: the back in black and white, disabled
    // Lets the player drag this tile with the mouse while it is enabled.
    void SetDraggable(bool draggable) { draggable_ = draggable; }
    // The cursor a drag shows, asked for when the drag starts.
    void SetDragCursor(std::function<QCursor()> cursor) { dragCursor_ = std::move(cursor); }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool draggable_ = false;
    std::function<QCursor()> dragCursor_;
    QPoint pressedAt_;
};

// The mime type of a hand tile being dragged; the drop reads the source from the event.
inline constexpr char TileMimeType[] = "application/x-kelmar-tile";
