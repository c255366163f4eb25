#pragma once
// A loaded skin made ready to draw: each picture the drawing uses as a pixmap (magenta
// made see-through where the object asks for it), and the one routine that draws a
// frame of a picture into a rectangle of any size.
#include "SkinDefinition.h"

#include <QMargins>
#include <QPixmap>
#include <memory>

class QPainter;

// One frame of a picture, FrameCount frames side by side, drawn into `target`: the fixed
// border parts at their size (smaller when the target is too small for them), the edges
// and the middle stretched or tiled to fill the rest.
struct TSkinPiece {
    QPixmap picture;
    int frames = 1;
    QMargins fixed;
    bool tile = false;

    bool isNull() const { return picture.isNull(); }
    QSize frameSize() const;
    // Frames past the last fall back to the first. Without `middle` only the border is
    // drawn; a `band` of 0 or more squeezes the border parts into that many pixels.
    void draw(QPainter &painter, const QRect &target, int frame, bool middle = true, int band = -1) const;
};

// The caption bar's buttons that the drawing gives a meaning to.
enum class CaptionAction { Close = 0, Maximize = 1, Minimize = 2 };

struct TSkinCaptionButton {
    CaptionAction action;
    TSkinPiece piece;  // frames: normal, mouse over, pressed (and the same three inactive)
    bool fromRight;    // x counts from the right edge of the window
    QPoint at;
};

struct TSkinLook {
    explicit TSkinLook(std::shared_ptr<const TSkinDefinition> definition);

    std::shared_ptr<const TSkinDefinition> definition;
    TSkinPiece top, left, right, bottom, textBack;
    TSkinPiece button, checkBox, radioButton;
    TSkinPiece scrollParts, horzTrack, vertTrack, horzThumb, vertThumb;
    TSkinPiece sunkEdge, groupBoxEdge;
    std::vector<TSkinCaptionButton> captionButtons;

    // A window is framed only when the skin has a caption bar.
    bool framesWindows() const { return !top.isNull(); }
    QMargins frameMargins() const;  // left border width, caption height, right width, bottom height
    QColor textColour(int colourInteger, const QColor &fallback) const;
};

// Border objects: tiling mode 1 stretches their middle ("Stretch" keys). Other objects:
// tiling mode 1 tiles it ("Tile" keys).
TSkinPiece PieceOfBorder(const TDataSkinObject &object);
TSkinPiece PieceOf(const TDataSkinObject &object);
