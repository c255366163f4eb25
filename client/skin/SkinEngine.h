#pragma once
// Puts a skin on the program's windows. While a skin is applied:
// - the application's style is a TSkinStyle and its palette the skin's colour set, so
//   every control of every window, made before or after, is drawn in the skin;
// - every window with a caption (the framed board, dialogs, message boxes) is dressed
//   when it is shown: its native frame is switched off and a TSkinFrame, a window of
//   its own that lies around it, draws the borders and the caption bar and carries the
//   caption buttons and the moving. The dressed window keeps its position, size and
//   every coordinate inside, and its own close handling;
// - the window the skin belongs to shows the skin's face colour over its own.
// An application event filter finds the windows as they are shown, so no window needs
// to know about the skin. Taking the skin off restores the style, the palette and the
// native frames.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TSkinData;
struct TSkinLook;

// Follows `skin`: dresses the windows whenever it is applied and undresses them when it
// is not any more or goes away. `owner` is the window whose background the face colour
// paints over.
void DressWindowsWith(TSkinData *skin, QWidget *owner);

// The frame drawn around a dressed window.
class TSkinFrame : public QWidget {
    Q_OBJECT
public:
    TSkinFrame(QWidget *window, std::shared_ptr<const TSkinLook> look);

    QWidget *dressed() const { return window_; }
    // Lies around the window again and cuts its shape.
    void follow();
    // The caption buttons this window gets, in frame coordinates.
    struct Button {
        int index;  // in the look's caption buttons
        QRect rect;
    };
    std::vector<Button> buttons() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void paintFrame(QPainter &painter, bool withCaption) const;
    QRegion opaquePartOf(const QRect &side) const;  // of the frame's pictures there
    QRect captionTextArea() const;                  // where the title and its text back may go
    void paintCaption(QPainter &painter, bool active) const;
    int buttonAt(QPoint at) const;
    void press(int index);

    QWidget *window_;
    std::shared_ptr<const TSkinLook> look_;
    int hovered_ = -1, pressed_ = -1;
    std::optional<QPoint> grabOffset_;  // from the pointer to the window's corner while moving
    std::pair<QSize, bool> shapeOf_;    // the size and activation the mask was cut for
};

// The frame dressing a window, if it has one.
TSkinFrame *SkinFrameOf(const QWidget *window);
