// Draws the program's built-in pictures ("builtin DIR"), the data files beside the
// program ("data DIR": Graph/ and Resource/), the desktop icons ("icons DIR") and the
// members of the shipped skin ("skin DIR"). Deterministic: the same files every run.
#include "Gif.h"
#include "Icons.h"
#include "Noise.h"
#include "Rules.h"
#include "SkinArt.h"
#include "Sounds.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {
// Sizes of the pictures the table shows unscaled.
constexpr int FaceWidth = 55;
constexpr int FaceHeight = 111;
constexpr int HalfWidth = 53;
constexpr int HalfHeight = 54;

// Fills the few pixels outside a tile's rounded corners. The board's colour is the
// player's choice, so a dark shade that reads as the tile's edge suits every colour.
const QColor Corner(0x4A, 0x46, 0x3E);
const QColor IvoryLight(0xFF, 0xFC, 0xF0);
const QColor IvoryDark(0xEE, 0xE3, 0xC8);
const QColor Outline(0x3A, 0x33, 0x28);
const QColor Felt(0x2E, 0x76, 0x4A);
const QColor Gold(0xE8, 0xB9, 0x3A);
const QColor DarkGreen(0x1C, 0x4D, 0x32);
const QColor BackRed(0x4E, 0x0C, 0x16);

// --- Files ---------------------------------------------------------------------------

bool complain(const QString &path)
{
    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
    return false;
}

bool save(const QImage &image, const QString &path) { return image.save(path) || complain(path); }

// Bitmap files carry no alpha channel; dropping it here keeps the files 24-bit.
bool saveBmp(const QImage &image, const QString &path)
{
    return save(image.convertToFormat(QImage::Format_RGB32), path);
}

bool writeFile(const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    return (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) || complain(path);
}

// 1 for the pictures as the table shows them, 2 for the same pictures at twice the size
// for high-density screens. Every picture is drawn in the table's own coordinates.
qreal Scale = 1;

// The file name of a picture at the present scale: "01.bmp", or "01@2x.bmp".
QString named(const QString &base, const char *extension)
{
    return Scale > 1 ? QStringLiteral("%1@%2x.%3").arg(base).arg(Scale).arg(QLatin1String(extension))
                     : QStringLiteral("%1.%2").arg(base, QLatin1String(extension));
}

QImage canvas(int width, int height, const QColor &fill)
{
    QImage image(qRound(width * Scale), qRound(height * Scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Scale);
    image.fill(fill);
    return image;
}

// A picture's area in the table's coordinates, whatever its scale.
QRectF area(const QImage &image) { return QRectF(QPointF(0, 0), image.deviceIndependentSize()); }

QFont font(const QString &family, int pixels, bool bold = false)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// --- Tiles ---------------------------------------------------------------------------

// The ivory body of a tile or a tile half: polished bone with a light bevel inside a
// thin dark outline.
void drawTileBody(QPainter &p, const QRectF &area, qreal radius)
{
    const QRectF body = area.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient shade(body.topLeft(), body.bottomRight());
    shade.setColorAt(0, IvoryLight);
    shade.setColorAt(1, IvoryDark);
    p.setPen(QPen(Outline, 1));
    p.setBrush(shade);
    p.drawRoundedRect(body, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

// A drilled pip: black with a faint sheen towards the upper left.
void drawPip(QPainter &p, QPointF centre, qreal radius)
{
    QRadialGradient sheen(centre + QPointF(-radius, -radius) * 0.35, radius * 1.3);
    sheen.setColorAt(0, QColor(0x60, 0x5C, 0x58));
    sheen.setColorAt(0.55, QColor(0x16, 0x14, 0x12));
    sheen.setColorAt(1, Qt::black);
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawEllipse(centre, radius, radius);
}

// The usual domino pattern of `count` pips in a half.
void drawPips(QPainter &p, const QRectF &half, int count)
{
    const qreal side = std::min(half.width(), half.height());
    for (const QPoint &cell : PipCells(count))
        drawPip(p, half.center() + QPointF(cell) * (side * 0.26), side * 0.085);
}

// The engraved line between the halves and the brass pin that holds a real tile together.
void drawDivider(QPainter &p, qreal y)
{
    p.setPen(QPen(Outline, 1.2));
    p.drawLine(QPointF(7, y), QPointF(FaceWidth - 7, y));
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawLine(QPointF(7, y + 1.1), QPointF(FaceWidth - 7, y + 1.1));
    QRadialGradient brass(QPointF(FaceWidth / 2.0 - 0.8, y - 0.8), 3);
    brass.setColorAt(0, QColor(0xFF, 0xF0, 0xB0));
    brass.setColorAt(1, QColor(0x9A, 0x74, 0x22));
    p.setPen(QPen(QColor(0x5A, 0x44, 0x14), 0.6));
    p.setBrush(brass);
    p.drawEllipse(QPointF(FaceWidth / 2.0, y), 2.6, 2.6);
}

// A face, upright: the smaller count on top, the larger below. `ground` fills the
// pixels outside the rounded corners.
QImage tileFace(Rules::Pips pips, const QColor &ground = Corner)
{
    QImage image = canvas(FaceWidth, FaceHeight, ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawTileBody(p, area(image), 5);
    const qreal middle = FaceHeight / 2.0;
    drawPips(p, QRectF(0, 0, FaceWidth, middle), pips.first);
    drawPips(p, QRectF(0, middle, FaceWidth, middle), pips.second);
    drawDivider(p, middle);
    return image;
}

// The back of a tile, upright: a deep red panel with a light lattice and a medallion
// inside an ivory rim. Light lines on a dark ground keep it readable when the played
// marker turns it black and white.
QImage tileBack(int width, int height)
{
    QImage image = canvas(width, height, Corner);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawTileBody(p, area(image), 5);

    const QRectF panel = area(image).adjusted(4.5, 4.5, -4.5, -4.5);
    QPainterPath panelShape;
    panelShape.addRoundedRect(panel, 3, 3);
    p.setPen(QPen(Outline, 1));
    p.setBrush(BackRed);
    p.drawPath(panelShape);

    // Crisp diagonals: smoothed ones would turn to scattered grey dots in black and white.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipPath(panelShape);
    p.setPen(QPen(QColor(0xF0, 0xD0, 0x80), 2));
    const int centreX = width / 2;
    for (int d = -height; d < width + height; d += 15) {
        p.drawLine(centreX + d - height, 0, centreX + d, height);
        p.drawLine(centreX - d + height, 0, centreX - d, height);
    }
    p.restore();

    const QPointF centre(width / 2.0, height / 2.0);
    const qreal radius = std::min(width, height) * 0.28;
    p.setPen(QPen(Outline, 1));
    p.setBrush(IvoryLight);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(BackRed, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius - 3, radius - 3);
    drawPip(p, centre, radius * 0.35);
    return image;
}

// The same back lying on its side, as the left and right seats hold their tiles.
QImage lyingBack(int angle)
{
    QImage lying = tileBack(HalfWidth, FaceHeight).transformed(QTransform().rotate(angle));
    lying.setDevicePixelRatio(Scale);
    return lying;
}

// --- Chain places --------------------------------------------------------------------

// Table felt with a fine fixed-seed grain, so the ring of places reads as cloth.
QImage felt(int width, int height)
{
    QImage image = canvas(width, height, Felt);
    Noise grain(0xFE17);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int shift = int(grain.next() * 7);
            line[x] = qRgb(qRed(line[x]) + shift, qGreen(line[x]) + shift, qBlue(line[x]) + shift);
        }
    }
    return image;
}

// An empty place: felt with a faint stitched outline.
QImage emptyPlace()
{
    QImage image = felt(HalfWidth, HalfHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x15, 0x45, 0x2A, 150), 1));
    p.drawRoundedRect(area(image).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(QColor(0xB8, 0xE0, 0xC4, 110), 1, Qt::DashLine));
    p.drawRoundedRect(area(image).adjusted(4.5, 4.5, -4.5, -4.5), 3, 3);
    return image;
}

// One tile half on a place of the ring.
QImage tileHalf(int pips)
{
    QImage image = felt(HalfWidth, HalfHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawTileBody(p, area(image), 4);
    drawPips(p, area(image), pips);
    return image;
}

// A star with its first point straight up.
QPainterPath star(QPointF centre, qreal outer, qreal inner, int points)
{
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const qreal angle = std::numbers::pi * i / points - std::numbers::pi / 2;
        const qreal r = i % 2 ? inner : outer;
        const QPointF corner = centre + QPointF(std::cos(angle), std::sin(angle)) * r;
        if (i == 0)
            path.moveTo(corner);
        else
            path.lineTo(corner);
    }
    path.closeSubpath();
    return path;
}

// The start mark: an empty place with a gold star and the word START.
QImage startMark()
{
    QImage image = emptyPlace();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shine(QPointF(24, 16), 20);
    shine.setColorAt(0, QColor(0xFF, 0xF4, 0xB8));
    shine.setColorAt(1, Gold);
    p.setPen(QPen(QColor(0x6A, 0x48, 0x08), 1.2));
    p.setBrush(shine);
    p.drawPath(star(QPointF(HalfWidth / 2.0, 21), 16, 7, 5));
    p.setFont(font("DejaVu Sans", 9, true));
    p.setPen(QColor(0xFF, 0xF4, 0xD0));
    p.drawText(QRectF(0, 38, HalfWidth, 12), Qt::AlignCenter, "START");
    return image;
}

// --- Title buttons and cursors -------------------------------------------------------

// A red-brown diagonal cross on white.
QImage quitButtonPicture()
{
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xC0, 0x20, 0x00), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    return image;
}

// A blue letter "i" in a blue ring with silver shading, on white.
QImage infoButtonPicture()
{
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xB0, 0xB0, 0xB8), 1.6));
    p.drawEllipse(QRectF(2.3, 2.3, 12.4, 12.4));
    p.setPen(QPen(QColor(0, 0, 255), 1.3));
    p.drawEllipse(QRectF(1.2, 1.2, 12.6, 12.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(6.6, 6.2, 1.8, 5.2));
    p.drawEllipse(QRectF(6.5, 3.4, 2, 2));
    return image;
}

// Cursors are white shapes with a black edge, like the system's own; `place` puts the
// shape, drawn in its own coordinates, into the 32 x 32 picture.
QImage cursorImage(const QPainterPath &shape, const QList<QLineF> &creases = {}, const QTransform &place = QTransform())
{
    QImage image = canvas(32, 32, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(place);
    p.setPen(QPen(Qt::black, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(shape.simplified());
    p.setPen(QPen(Qt::black, 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLines(creases);
    return image;
}

// The arrow's tip lies on the hot spot (0, 0).
QImage arrowCursor()
{
    const QPolygonF outline{{0.5, 0.5}, {0.5, 17}, {4.5, 13.2}, {7.3, 19.8}, {10, 18.7}, {7.3, 12.2}, {12.5, 12.2}};
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return cursorImage(path);
}

QPainterPath roundedBox(qreal x, qreal y, qreal width, qreal height, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, width, height), radius, radius);
    return path;
}

// A hand pointing up and to the left. The hot spot is the top-left corner, so the hand
// is drawn round its fingertip, leant to the right and moved in just enough for the
// outline to show.
QImage pointingHand()
{
    QPainterPath hand = roundedBox(-2.6, 0, 5.2, 16, 2.6);  // index finger
    for (int i = 0; i < 3; ++i)                             // the folded fingers
        hand = hand.united(roundedBox(2.2 + 4.4 * i, 9.5 + 1.2 * i, 4.8, 8, 2.4));
    hand = hand.united(roundedBox(-3.4, 13, 18.8, 11.5, 4.5));  // palm
    hand = hand.united(roundedBox(-8.5, 12.5, 8, 5, 2.5));      // thumb
    const QList<QLineF> creases{{2.6, 13, 2.6, 16.5}, {6.8, 13.5, 6.8, 17.5}, {11.2, 14.5, 11.2, 18.5}};
    return cursorImage(hand, creases, QTransform().translate(2.2, 1.0).rotate(-24));
}

// A closed hand holding a tile: four curled fingers over the palm, the thumb beside.
QImage grippingHand()
{
    QPainterPath hand = roundedBox(3, 7, 18, 14, 5);  // palm
    for (int i = 0; i < 4; ++i)
        hand = hand.united(roundedBox(3.4 + 4.3 * i, 3 + (i == 0 || i == 3 ? 1 : 0), 4.6, 9, 2.3));
    hand = hand.united(roundedBox(0.5, 9, 6, 8.5, 3));  // thumb
    QList<QLineF> creases;
    for (int i = 1; i < 4; ++i)
        creases << QLineF(3.4 + 4.3 * i, 5, 3.4 + 4.3 * i, 10);
    creases << QLineF(6.5, 11, 6.5, 16);
    return cursorImage(hand, creases, QTransform().translate(2, 1));
}

// --- Resource pictures ---------------------------------------------------------------

// A tile face turned and scaled, for the pictures that show tiles as decoration.
void drawTile(QPainter &p, int tile, QPointF centre, qreal angle, qreal scale)
{
    const QImage face = tileFace(*Rules::PipsOfTile(tile), Qt::transparent);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    // A see-through shadow lifts the tile from the ground.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    const QRectF place(-FaceWidth / 2.0, -FaceHeight / 2.0, FaceWidth, FaceHeight);
    p.drawRoundedRect(place.translated(2.5, 3), 5, 5);
    p.drawImage(place.topLeft(), face);
    p.restore();
}

// Felt under a lamp: lighter in the middle.
void drawFelt(QPainter &p, const QRectF &area)
{
    QRadialGradient light(area.center(), area.width() * 0.7);
    light.setColorAt(0, Felt.lighter(118));
    light.setColorAt(1, DarkGreen);
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRect(area);
}

// Text with a dark drop shadow, for titles on felt.
void drawTitle(QPainter &p, const QRectF &area, const QString &text, const QFont &f, const QColor &colour, int flags)
{
    p.setFont(f);
    p.setPen(QColor(0, 0, 0, 140));
    p.drawText(area.translated(2, 2), flags, text);
    p.setPen(colour);
    p.drawText(area, flags, text);
}

// The splash: 401 x 209, its window's size. A felt band carries the title and a fan
// of tiles; the cream strips above and below stay plain because the web address
// (top right, blue) and the progress caption (bottom left, black) are written there.
QImage splashPicture()
{
    QImage image = canvas(401, 209, QColor(0xFB, 0xF6, 0xE6));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF band(0, 24, 401, 160);
    drawFelt(p, band);
    p.setPen(QPen(Gold, 2));
    p.drawLine(QPointF(0, band.top() + 1), QPointF(401, band.top() + 1));
    p.drawLine(QPointF(0, band.bottom() - 1), QPointF(401, band.bottom() - 1));

    drawTitle(p, QRectF(20, 44, 240, 64), "Kelmar", font("DejaVu Serif", 54, true), Gold,
              Qt::AlignLeft | Qt::AlignVCenter);
    drawTitle(p, QRectF(24, 112, 240, 22), "Tumba \u2013 dominoes for four", font("DejaVu Sans", 15), IvoryLight,
              Qt::AlignLeft | Qt::AlignVCenter);
    drawTitle(p, QRectF(24, 136, 240, 20), "one double-six set \u00b7 seven tiles each", font("DejaVu Sans", 11),
              IvoryDark, Qt::AlignLeft | Qt::AlignVCenter);

    drawTile(p, 27, QPointF(292, 108), -22, 0.9);
    drawTile(p, 16, QPointF(322, 102), 0, 0.9);
    drawTile(p, 28, QPointF(352, 108), 22, 0.9);
    return image;
}

// The about picture: 247 x 287, the box's client area. Text of the box itself goes on
// the plain cream areas: the credits along the top, the version under the title, the
// credit line, the web link and the notice near the foot.
QImage aboutPicture()
{
    QImage image = canvas(247, 287, QColor(0xFB, 0xF6, 0xE6));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(DarkGreen, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, 245, 285));
    p.setPen(QPen(Gold, 1));
    p.drawLine(QPointF(6, 28.5), QPointF(241, 28.5));
    // A pale panel behind the credit line and the web link.
    p.setPen(QPen(QColor(0xC8, 0xDA, 0xC0), 1));
    p.setBrush(QColor(0xEC, 0xF3, 0xE4));
    p.drawRoundedRect(QRectF(12.5, 114.5, 222, 80), 8, 8);

    p.setFont(font("DejaVu Serif", 26, true));
    p.setPen(DarkGreen);
    p.drawText(QRectF(10, 28, 130, 32), Qt::AlignLeft | Qt::AlignVCenter, "Kelmar");
    p.setFont(font("DejaVu Sans", 10));
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.drawText(QRectF(8, 58, 38, 14), Qt::AlignLeft | Qt::AlignVCenter, "version");
    p.drawText(QRectF(10, 82, 120, 30), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               "a Tumba domino table for four players");

    drawTile(p, 26, QPointF(178, 72), -28, 0.68);
    drawTile(p, 22, QPointF(208, 70), 14, 0.68);

    // A short chain of tiles across the lower middle, between the web link and the notice.
    const int chain[] = {7, 13, 25, 20};
    for (int i = 0; i < 4; ++i)
        drawTile(p, chain[i], QPointF(37 + 58 * i, 224), 90, 0.5);
    return image;
}

// The information panel shown when a player calls "Tumba": a gold burst with the call.
// The white ground (also the bottom-left pixel) is left out by the panel, so the
// burst's outer edge is drawn without smoothing and nothing inside is pure white.
QImage tumbaPicture()
{
    QImage image = canvas(165, 90, Qt::white);
    QPainter p(&image);
    const QPointF centre(82.5, 45);
    const int spikes = 18;
    QPolygonF outer, inner;
    for (int i = 0; i < 2 * spikes; ++i) {
        const qreal angle = std::numbers::pi * i / spikes;
        const qreal r = i % 2 ? 0.83 : 1.0;
        outer << centre + QPointF(81 * r * std::cos(angle), 44 * r * std::sin(angle));
        inner << centre + QPointF(77 * r * std::cos(angle), 40.5 * r * std::sin(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6A, 0x20, 0x10));
    p.drawPolygon(outer);

    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QRadialGradient glow(centre, 80);
    glow.setColorAt(0, QColor(0xFF, 0xF2, 0xA8));
    glow.setColorAt(0.7, QColor(0xF6, 0xB4, 0x30));
    glow.setColorAt(1, QColor(0xE0, 0x78, 0x18));
    p.setBrush(glow);
    p.drawPolygon(inner);

    drawTitle(p, QRectF(0, 20, 165, 36), "TUMBA!", font("DejaVu Sans", 26, true), QColor(0xA8, 0x10, 0x10),
              Qt::AlignCenter);
    p.setFont(font("DejaVu Sans", 10, true));
    p.setPen(QColor(0x5A, 0x20, 0x08));
    p.drawText(QRectF(0, 54, 165, 14), Qt::AlignCenter, "the hand is out");
    return image;
}

// --- The banner ----------------------------------------------------------------------

constexpr int BannerWidth = 104;
constexpr int BannerHeight = 24;
// The banner scrolls 25 pixels a second under a fixed gold frame line, two pixels a frame:
// a frame costs the program a wake-up and a paint, and twelve and a half of them a second
// move it as far as twenty-five would.
constexpr int BannerStep = 2;
constexpr int BannerFrameCentiseconds = 8;

// A small tile lying across the banner, 34 x 18, its left edge at `left`.
void drawBannerTile(QPainter &p, qreal left, int tile)
{
    const Rules::Pips pips = *Rules::PipsOfTile(tile);
    p.save();
    p.translate(left + 17, BannerHeight / 2.0);
    p.rotate(-90);  // drawn upright, so a six lies in two rows like on the table
    drawTileBody(p, QRectF(-9, -17, 18, 34), 3);
    drawPips(p, QRectF(-9, -17, 18, 17), pips.first);
    drawPips(p, QRectF(-9, 0, 18, 17), pips.second);
    p.setPen(QPen(Outline, 1));
    p.drawLine(QPointF(-6, 0), QPointF(6, 0));
    p.restore();
}

// One turn of the banner's loop: the name, a tile, the game's name, another tile.
QImage bannerStrip()
{
    const QFont title = font("DejaVu Sans", 15, true);
    const QFontMetrics metrics(title);
    const int gap = 14;
    const int kelmar = metrics.horizontalAdvance("KELMAR");
    const int tumba = metrics.horizontalAdvance("TUMBA");
    const int text = 4 * gap + kelmar + tumba + 2 * 34;
    const int width = text + text % BannerStep;  // whole steps, so that the loop closes without a jump

    QImage strip = canvas(width, BannerHeight, DarkGreen);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(title);
    qreal x = gap;
    p.setPen(Gold);
    p.drawText(QRectF(x, 0, kelmar, BannerHeight), Qt::AlignCenter, "KELMAR");
    x += kelmar + gap;
    drawBannerTile(p, x, 27);
    x += 34 + gap;
    p.setPen(IvoryLight);
    p.drawText(QRectF(x, 0, tumba, BannerHeight), Qt::AlignCenter, "TUMBA");
    x += tumba + gap;
    drawBannerTile(p, x, 12);
    return strip;
}

// Every mix of two of the banner's colours in 16 steps: enough shades for smooth
// edges, and few enough for one GIF colour table.
QList<QRgb> bannerPalette()
{
    const QList<QColor> keys{DarkGreen, Gold, IvoryLight, IvoryDark, Outline, Qt::black};
    QList<QRgb> palette;
    for (const QColor &key : keys)
        palette << key.rgb();
    for (int a = 0; a < keys.size(); ++a)
        for (int b = a + 1; b < keys.size(); ++b)
            for (int step = 1; step < 16; ++step) {
                const auto mix = [&](int from, int to) { return from + (to - from) * step / 16; };
                palette << qRgb(mix(keys[a].red(), keys[b].red()), mix(keys[a].green(), keys[b].green()),
                                mix(keys[a].blue(), keys[b].blue()));
            }
    return palette;
}

// The loop of frames, each BannerStep pixels on from the one before.
QByteArray bannerGif()
{
    const QImage strip = bannerStrip();
    QImage loop = canvas(strip.width() + BannerWidth, BannerHeight, DarkGreen);
    {
        QPainter p(&loop);
        p.drawImage(0, 0, strip);
        p.drawImage(strip.width(), 0, strip);
    }
    const QList<QRgb> palette = bannerPalette();
    QList<QImage> frames;
    for (int offset = 0; offset < strip.width(); offset += BannerStep) {
        QImage frame = loop.copy(offset, 0, BannerWidth, BannerHeight);
        QPainter p(&frame);
        p.setPen(Gold);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, BannerWidth - 1, BannerHeight - 1);
        p.end();
        frames << frame.convertToFormat(QImage::Format_Indexed8, palette);
    }
    return EncodeAnimatedGif(frames, BannerFrameCentiseconds);
}

// --- The two modes -------------------------------------------------------------------

bool writeBuiltins(const QString &dir)
{
    QDir().mkpath(dir);
    const QString d = dir + QLatin1Char('/');
    return saveBmp(quitButtonPicture(), d + named("xBitmap", "bmp"))
        && saveBmp(infoButtonPicture(), d + named("iBitmap", "bmp")) && save(arrowCursor(), d + named("Arrow", "png"))
        && save(pointingHand(), d + named("FHand", "png")) && save(grippingHand(), d + named("HHand", "png"))
        && saveBmp(lyingBack(90), d + named("BLEFT", "bmp")) && saveBmp(lyingBack(-90), d + named("BRIGHT", "bmp"))
        && saveBmp(tileBack(HalfWidth, FaceHeight), d + named("BTOP", "bmp"));
}

bool writeGraph(const QString &graph)
{
    bool ok = QDir().mkpath(graph + "/tiny");
    for (int tile = 1; tile <= Rules::TileCount; ++tile)
        ok = ok
            && saveBmp(tileFace(*Rules::PipsOfTile(tile)),
                       graph + QLatin1Char('/')
                           + named(QStringLiteral("%1").arg(tile, 2, 10, QLatin1Char('0')), "bmp"));
    ok = ok && saveBmp(tileBack(FaceWidth, FaceHeight), graph + QLatin1Char('/') + named("back_this", "bmp"));
    for (int pips = 0; pips <= 6; ++pips)
        ok = ok && saveBmp(tileHalf(pips), graph + "/tiny/" + named(QString::number(pips), "bmp"));
    return ok && saveBmp(emptyPlace(), graph + "/tiny/" + named("9", "bmp"))
        && saveBmp(startMark(), graph + "/tiny/" + named("g-small", "bmp"));
}

// The table's pictures at both scales.
template <typename Write> bool atBothScales(Write write)
{
    bool ok = true;
    for (const qreal scale : {1.0, 2.0}) {
        Scale = scale;
        ok = ok && write();
    }
    Scale = 1;
    return ok;
}

bool writeResource(const QString &resource)
{
    const QString r = resource + QLatin1Char('/');
    return QDir().mkpath(resource) && writeFile(bannerGif(), r + "Data1.kmr") && writeFile(MusicWav(), r + "Data2.kmr")
        && writeFile(RefusalWav(), r + "FX1.wav") && writeFile(ConnectWav(), r + "Fx2.wav")
        && writeFile(ClackWav(), r + "FX3.wav") && writeFile(WhooshWav(), r + "FX4.wav")
        && writeFile(ApplauseWav(), r + "clap.wav") && saveBmp(splashPicture(), r + "splash v.2.3.bmp")
        && saveBmp(aboutPicture(), r + "About v1.2.bmp") && saveBmp(tumbaPicture(), r + "Info.bmp");
}
}  // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList modes{"builtin", "data", "icons", "skin"};
    if (args.size() != 3 || !modes.contains(args[1])) {
        std::fprintf(stderr, "usage: artgen builtin|data|icons|skin DIR\n");
        return 2;
    }
    const QString dir = args[2];
    if (args[1] == "icons")
        return WriteIcons(dir) ? 0 : 1;
    if (args[1] == "skin")
        return WriteSkinMembers(dir) ? 0 : 1;
    const bool ok = args[1] == "builtin"
        ? atBothScales([&] { return writeBuiltins(dir); })
        : atBothScales([&] { return writeGraph(dir + "/Graph"); }) && writeResource(dir + "/Resource");
    return ok ? 0 : 1;
}
