#include "Icons.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {
// The table's colours: ivory tiles with dark outlines and black pips, red backs.
const QColor IvoryLight(0xFF, 0xFC, 0xF0);
const QColor IvoryDark(0xE6, 0xD9, 0xBA);
const QColor Outline(0x3A, 0x33, 0x28);
const QColor BackRed(0x7A, 0x14, 0x22);
const QColor Lattice(0xF0, 0xD0, 0x80);
const QColor Shadow(0, 0, 0, 80);

// Below this size one upright tile is drawn on whole pixels: a turned tile or a second
// one would blur into a few grey pixels.
constexpr int SmallestTurned = 32;

// The face of the front tile: a double-six set's 5 over 3, which stays readable down to
// sixteen pixels.
constexpr int TopPips = 5;
constexpr int BottomPips = 3;

}  // namespace

const QList<QPoint> &PipCells(int count)
{
    static const std::array<QList<QPoint>, 7> patterns{{
        {},
        {{0, 0}},
        {{1, -1}, {-1, 1}},
        {{1, -1}, {0, 0}, {-1, 1}},
        {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}},
        {{-1, -1}, {1, -1}, {0, 0}, {-1, 1}, {1, 1}},
        {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}},
    }};
    return patterns.at(count);
}

namespace {

// How much of a real tile a size can show: whole-pixel shapes for the smallest sizes,
// then smooth shapes, and from 48 pixels the pips' sheen and the brass pin.
enum class Detail { Pixels, Plain, Fine };

// Pips on the square `half`. On whole pixels a pip covers whole pixels, so it stays
// dark instead of spreading into grey: one pixel where a half is too small for a gap
// between dots of two, otherwise two by two.
void drawPips(QPainter &p, const QRectF &half, int count, Detail detail)
{
    const qreal side = std::min(half.width(), half.height());
    const bool onePixel = detail == Detail::Pixels && side < 12;
    const qreal radius = onePixel ? 0.7 : detail == Detail::Pixels ? 1.0 : side * 0.11;
    p.setPen(Qt::NoPen);
    for (const QPoint &cell : PipCells(count)) {
        QPointF centre = half.center() + QPointF(cell) * (side * 0.27);
        if (onePixel)
            centre = QPointF(std::floor(centre.x()) + 0.5, std::floor(centre.y()) + 0.5);
        else if (detail == Detail::Pixels)
            centre = centre.toPoint();
        if (detail == Detail::Fine) {
            QRadialGradient light(centre - QPointF(radius, radius) * 0.35, radius * 1.3);
            light.setColorAt(0, QColor(0x60, 0x5C, 0x58));
            light.setColorAt(0.55, QColor(0x16, 0x14, 0x12));
            light.setColorAt(1, Qt::black);
            p.setBrush(light);
        } else {
            p.setBrush(Qt::black);
        }
        p.drawEllipse(centre, radius, radius);
    }
}

// The ivory body of a tile with its outline; `line` is the outline's width in pixels.
void drawBody(QPainter &p, const QRectF &body, qreal line)
{
    const qreal radius = body.width() * 0.14;
    QLinearGradient shade(body.topLeft(), body.bottomRight());
    shade.setColorAt(0, IvoryLight);
    shade.setColorAt(1, IvoryDark);
    p.setPen(QPen(Outline, line));
    p.setBrush(shade);
    p.drawRoundedRect(body, radius, radius);
}

// A face-up tile filling `body`.
void drawFace(QPainter &p, const QRectF &body, qreal line, Detail detail)
{
    drawBody(p, body, line);
    const qreal inset = body.width() * 0.12;
    // On whole pixels the divider fills one row of pixels instead of half of two.
    const qreal middle = detail == Detail::Pixels ? std::floor(body.center().y()) + 0.5 : body.center().y();
    p.setPen(QPen(Outline, line));
    p.drawLine(QPointF(body.left() + inset, middle), QPointF(body.right() - inset, middle));
    const qreal halfSide = std::min(body.width(), body.height() / 2);
    const QRectF top(body.center().x() - halfSide / 2, middle - halfSide, halfSide, halfSide);
    drawPips(p, top, TopPips, detail);
    drawPips(p, top.translated(0, halfSide), BottomPips, detail);
    if (detail == Detail::Fine) {  // the brass pin that holds a real tile together
        QRadialGradient brass(QPointF(body.center().x(), middle) - QPointF(line, line), line * 3);
        brass.setColorAt(0, QColor(0xFF, 0xF0, 0xB0));
        brass.setColorAt(1, QColor(0x9A, 0x74, 0x22));
        p.setPen(QPen(QColor(0x5A, 0x44, 0x14), line * 0.6));
        p.setBrush(brass);
        p.drawEllipse(QPointF(body.center().x(), middle), line * 2.4, line * 2.4);
    }
}

// A face-down tile filling `body`: a red panel with a light lattice and a medallion.
void drawBack(QPainter &p, const QRectF &body, qreal line)
{
    drawBody(p, body, line);
    const qreal rim = body.width() * 0.1;
    QPainterPath panel;
    panel.addRoundedRect(body.adjusted(rim, rim, -rim, -rim), rim * 0.8, rim * 0.8);
    p.setPen(QPen(Outline, line));
    p.setBrush(BackRed);
    p.drawPath(panel);

    p.save();
    p.setClipPath(panel);
    p.setPen(QPen(Lattice, line * 1.4));
    const qreal step = body.width() * 0.3;
    for (qreal d = -body.height(); d < body.width() + body.height(); d += step) {
        p.drawLine(QPointF(body.left() + d, body.top()), QPointF(body.left() + d - body.height(), body.bottom()));
        p.drawLine(QPointF(body.right() - d, body.top()), QPointF(body.right() - d + body.height(), body.bottom()));
    }
    p.restore();

    const qreal radius = body.width() * 0.26;
    p.setPen(QPen(Outline, line));
    p.setBrush(IvoryLight);
    p.drawEllipse(body.center(), radius, radius);
    p.setPen(QPen(BackRed, line * 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(body.center(), radius * 0.72, radius * 0.72);
}

// Turns the painter about `centre` by `angle` degrees and draws a shadowed tile of the
// given size there.
template <typename Draw> void drawTurned(QPainter &p, QPointF centre, QSizeF size, qreal angle, qreal lift, Draw draw)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF body(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    p.setPen(Qt::NoPen);
    p.setBrush(Shadow);
    const qreal radius = size.width() * 0.14;
    p.drawRoundedRect(body.translated(lift * 0.6, lift), radius, radius);
    draw(body);
    p.restore();
}
}  // namespace

const QList<int> &IconSizes()
{
    static const QList<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal line = std::max(1.0, size / 80.0);
    if (size < SmallestTurned) {
        // Whole pixels: the outline's centre lies half a pixel inside the tile's edge.
        const int width = (size * 9 + 8) / 16;
        const QRectF body((size - width) / 2 + 0.5, 0.5, width - 1, size - 1);
        drawFace(p, body, 1, Detail::Pixels);
        return image;
    }
    const QSizeF tile(size * 0.4, size * 0.78);
    drawTurned(p, QPointF(size * 0.62, size * 0.48), tile, 17, size * 0.02,
               [&](const QRectF &body) { drawBack(p, body, line); });
    drawTurned(p, QPointF(size * 0.39, size * 0.52), tile, -13, size * 0.03,
               [&](const QRectF &body) { drawFace(p, body, line, size >= 48 ? Detail::Fine : Detail::Plain); });
    return image;
}

bool WriteIcons(const QString &dir)
{
    for (int size : IconSizes()) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        const QString path = folder + QStringLiteral("/kelmar.png");
        if (!QDir().mkpath(folder) || !DrawIcon(size).save(path)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}
