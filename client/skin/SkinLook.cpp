#include "SkinLook.h"

#include <QPainter>
#include <algorithm>

namespace {
const QColor ColourKey(255, 0, 255);

QPixmap pixmapOf(const QImage &image, bool keyed)
{
    if (image.isNull())
        return {};
    if (!keyed)
        return QPixmap::fromImage(image);
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ColourKey.rgb();
    for (int y = 0; y < argb.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return QPixmap::fromImage(argb);
}

TSkinPiece pieceOf(const QImage &image, int frames, QMargins fixed, bool tile, bool keyed)
{
    TSkinPiece piece;
    piece.picture = pixmapOf(image, keyed);
    piece.frames = std::max(frames, 1);
    piece.fixed = fixed;
    piece.tile = tile;
    return piece;
}

QMargins marginsOf(const TDataSkinObject &o)
{
    return QMargins(o.LeftWidth, o.TopHeight, o.RightWidth, o.BottomHeight);
}

// Splits a length into the sizes of a fixed start, a flexible middle and a fixed end; a
// length too short for both fixed parts shares itself between them.
struct Split {
    int start, middle, end;
};
Split split(int length, int start, int end)
{
    if (start + end > length) {
        const int first = start + end > 0 ? length * start / (start + end) : 0;
        return {first, 0, length - first};
    }
    return {start, length - start - end, end};
}

void drawPart(QPainter &p, const QRect &target, const QPixmap &picture, const QRect &source, bool tile)
{
    if (target.isEmpty() || source.isEmpty())
        return;
    if (tile && target.size() != source.size())
        p.drawTiledPixmap(target, picture.copy(source));
    else
        p.drawPixmap(target, picture, source);
}
}  // namespace

QSize TSkinPiece::frameSize() const
{
    return picture.isNull() ? QSize() : QSize(picture.width() / frames, picture.height());
}

void TSkinPiece::draw(QPainter &painter, const QRect &target, int frame, bool middle, int band) const
{
    const QSize size = frameSize();
    if (size.isEmpty() || target.isEmpty())
        return;
    if (frame < 0 || frame >= frames)
        frame = 0;
    const int left = std::clamp(fixed.left(), 0, size.width());
    const int right = std::clamp(fixed.right(), 0, size.width() - left);
    const int top = std::clamp(fixed.top(), 0, size.height());
    const int bottom = std::clamp(fixed.bottom(), 0, size.height() - top);
    const Split sx{left, size.width() - left - right, right}, sy{top, size.height() - top - bottom, bottom};
    const auto inBand = [band](int size) { return band < 0 ? size : std::min(size, band); };
    const Split tx = split(target.width(), inBand(left), inBand(right));
    const Split ty = split(target.height(), inBand(top), inBand(bottom));
    const int sourceX[]
        = {frame * size.width(), frame * size.width() + sx.start, frame * size.width() + sx.start + sx.middle};
    const int sourceY[] = {0, sy.start, sy.start + sy.middle};
    const int sourceW[] = {sx.start, sx.middle, sx.end}, sourceH[] = {sy.start, sy.middle, sy.end};
    const int targetX[] = {target.x(), target.x() + tx.start, target.x() + tx.start + tx.middle};
    const int targetY[] = {target.y(), target.y() + ty.start, target.y() + ty.start + ty.middle};
    const int targetW[] = {tx.start, tx.middle, tx.end}, targetH[] = {ty.start, ty.middle, ty.end};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            if (row == 1 && column == 1 && !middle)
                continue;
            const QRect source(sourceX[column], sourceY[row], sourceW[column], sourceH[row]);
            const QRect part(targetX[column], targetY[row], targetW[column], targetH[row]);
            // Corners are never tiled: they are drawn once, at their size when it fits.
            drawPart(painter, part, picture, source, tile && (row == 1 || column == 1));
        }
}

TSkinPiece PieceOfBorder(const TDataSkinObject &o)
{
    return pieceOf(o.Bitmap, o.FrameCount, marginsOf(o), o.TilingMode == 0, o.TransparencyMode == 1);
}

TSkinPiece PieceOf(const TDataSkinObject &o)
{
    return pieceOf(o.Bitmap, o.FrameCount, marginsOf(o), o.TilingMode == 1, o.TransparencyMode == 1);
}

TSkinLook::TSkinLook(std::shared_ptr<const TSkinDefinition> d) : definition(std::move(d))
{
    const TSkinDefinition &s = *definition;
    top = PieceOfBorder(s.Top);
    left = PieceOfBorder(s.Left);
    right = PieceOfBorder(s.Right);
    bottom = PieceOfBorder(s.Bottom);
    // The text back and the caption buttons have no transparency setting: magenta is
    // always see-through in them, so that they can have round shapes.
    textBack = pieceOf(s.Title.Bitmap, s.Title.FrameCount, QMargins(s.Title.TextBackLeft, 0, s.Title.TextBackRight, 0),
                       false, true);
    button = PieceOf(s.Buttons);
    const bool keyed = s.Buttons.TransparencyMode == 1;
    checkBox = pieceOf(s.Buttons.CheckBoxBitmap, s.Buttons.CheckBoxFrames, {}, false, keyed);
    radioButton = pieceOf(s.Buttons.RadioButtonBitmap, s.Buttons.RadioButtonFrames, {}, false, keyed);
    const auto optionalPiece = [](const auto &o) { return o ? PieceOf(*o) : TSkinPiece(); };
    scrollParts = optionalPiece(s.Scrollbar);
    horzTrack = optionalPiece(s.HorzScroll);
    vertTrack = optionalPiece(s.VertScroll);
    horzThumb = optionalPiece(s.HorzScrollThumb);
    vertThumb = optionalPiece(s.VertScrollThumb);
    sunkEdge = optionalPiece(s.SunkEdge);
    groupBoxEdge = optionalPiece(s.GroupBoxEdge);
    // Buttons with the conditions 0 are drawn; other visibilities and actions belong to
    // windows this program does not have (child windows, help, roll-up).
    for (const TDataSkinSysButton &b : s.CaptionButtons) {
        if (b.Bitmap.isNull() || b.Visibility != 0 || b.Action < 0 || b.Action > 2)
            continue;
        captionButtons.push_back({CaptionAction(b.Action), pieceOf(b.Bitmap, b.FrameCount, {}, false, true),
                                  b.Alignment == 1, QPoint(b.X, b.Y)});
    }
}

QMargins TSkinLook::frameMargins() const
{
    if (!framesWindows())
        return {};
    const auto width = [](const TSkinPiece &p) { return p.isNull() ? 0 : p.frameSize().width(); };
    const auto height = [](const TSkinPiece &p) { return p.isNull() ? 0 : p.frameSize().height(); };
    return QMargins(width(left), height(top), width(right), height(bottom));
}

QColor TSkinLook::textColour(int colourInteger, const QColor &fallback) const
{
    if (colourInteger < 0 || colourInteger > 0xFFFFFF)
        return fallback;
    return QColor(colourInteger & 0xFF, colourInteger >> 8 & 0xFF, colourInteger >> 16 & 0xFF);
}
