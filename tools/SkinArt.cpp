#include "SkinArt.h"

#include "Noise.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {
// Magenta marks the see-through pixels of pictures whose object asks for it.
const QColor Key(255, 0, 255);
const QColor Face(0x5B, 0x43, 0x32);   // the windows' walnut face
const QColor Ink(0x3A, 0x24, 0x14);    // text and glyphs on brass
const QColor Edge(0x1E, 0x14, 0x0C);   // outlines
const QColor Track(0x3E, 0x2A, 0x1C);  // scroll bar grooves
const QColor CaptionWood(0x5A, 0x3A, 0x22);
const QColor Desktop(0x20, 0x20, 0x20);  // what lies behind a window's rounded corners

enum State { Normal, Hover, Pressed, Disabled, Focused };

// --- Canvases and colour keying -----------------------------------------------------

QImage clearCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Mostly see-through pixels become magenta; the others are laid on `under`, the colour
// that will be behind them on screen, so that smoothed edges stay smooth.
QImage keyed(const QImage &art, const QColor &under)
{
    QImage out(art.size(), QImage::Format_RGB32);
    const QImage plain = art.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x) {
            const QRgb c = plain.pixel(x, y);
            const int a = qAlpha(c);
            const auto mix = [a](int top, int below) { return (top * a + below * (255 - a)) / 255; };
            out.setPixel(
                x, y,
                a < 100 ? Key.rgb()
                        : qRgb(mix(qRed(c), under.red()), mix(qGreen(c), under.green()), mix(qBlue(c), under.blue())));
        }
    return out;
}

// `count` frames of one size side by side, each drawn by `draw` on a clear canvas and
// keyed on the colour that `under` gives for it.
QImage strip(int count, QSize size, const std::function<void(QPainter &, int)> &draw,
             const std::function<QColor(int)> &under)
{
    QImage result(size.width() * count, size.height(), QImage::Format_RGB32);
    QPainter out(&result);
    for (int i = 0; i < count; ++i) {
        QImage frame = clearCanvas(size.width(), size.height());
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, i);
        p.end();
        out.drawImage(i * size.width(), 0, keyed(frame, under(i)));
    }
    return result;
}

// --- Materials ----------------------------------------------------------------------

QColor grey(const QColor &c)
{
    const int v = (c.red() * 3 + c.green() * 4 + c.blue()) / 8;
    return QColor((v * 2 + c.red()) / 3, (v * 2 + c.green()) / 3, (v * 2 + c.blue()) / 3);
}

// Polished brass in the light of a state: a gradient from the light edge to the dark.
QLinearGradient brass(QPointF from, QPointF to, State state)
{
    QColor light(0xF6, 0xDC, 0x92), middle(0xD0, 0xA0, 0x48), dark(0x98, 0x6C, 0x22);
    if (state == Hover) {
        light = QColor(0xFF, 0xEC, 0xB4);
        middle = QColor(0xE4, 0xB6, 0x5C);
        dark = QColor(0xAE, 0x80, 0x30);
    } else if (state == Pressed) {
        std::swap(light, dark);
        middle = QColor(0xB8, 0x88, 0x34);
    } else if (state == Disabled) {
        light = grey(light).darker(115);
        middle = grey(middle).darker(115);
        dark = grey(dark);
    }
    QLinearGradient g(from, to);
    g.setColorAt(0, light);
    g.setColorAt(0.55, middle);
    g.setColorAt(1, dark);
    return g;
}

QColor outline(State state) { return state == Disabled ? QColor(0x5A, 0x50, 0x46) : Edge; }
QColor glyph(State state) { return state == Disabled ? QColor(0x7A, 0x70, 0x64) : Ink; }

// A rounded brass plate with a highlight inside its rim; pressed plates lie lower.
void brassPlate(QPainter &p, const QRectF &area, State state, qreal radius, bool vertical = true)
{
    const QRectF r = area.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(outline(state), 1));
    p.setBrush(vertical ? brass(r.topLeft(), r.bottomLeft(), state) : brass(r.topLeft(), r.topRight(), state));
    p.drawRoundedRect(r, radius, radius);
    p.setBrush(Qt::NoBrush);
    if (state == Pressed) {
        p.setPen(QPen(QColor(0x40, 0x28, 0x08, 90), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1), QPointF(r.right() - radius, r.top() + 1));
    } else if (state != Disabled) {
        p.setPen(QPen(QColor(255, 248, 220, 130), 1));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    if (state == Focused) {
        p.setPen(QPen(QColor(0x3A, 0x24, 0x14, 170), 1, Qt::DotLine));
        p.drawRoundedRect(r.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    }
}

// Walnut with a horizontal grain: a gradient from `light` to `dark` downwards, waving
// darker streaks and a fine fixed-seed speckle.
QImage wood(int width, int height, const QColor &light, const QColor &dark, std::uint32_t seed)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    Noise speckle(seed);
    for (int y = 0; y < height; ++y) {
        const double t = height > 1 ? double(y) / (height - 1) : 0;
        for (int x = 0; x < width; ++x) {
            const double wave = std::sin(y * 1.3 + 2.2 * std::sin(x * 0.09 + seed % 7));
            const double shade = 1.0 + 0.06 * wave + 0.025 * speckle.next();
            const auto channel = [&](int a, int b) { return std::clamp(int((a + (b - a) * t) * shade), 0, 255); };
            image.setPixel(x, y,
                           qRgb(channel(light.red(), dark.red()), channel(light.green(), dark.green()),
                                channel(light.blue(), dark.blue())));
        }
    }
    return image;
}

void triangle(QPainter &p, QPointF centre, int direction, qreal size, const QColor &colour)
{
    // direction: 0 up, 1 down, 2 left, 3 right
    const QPointF tip[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    const QPointF side(tip[direction].y(), tip[direction].x());
    QPolygonF shape;
    shape << centre + tip[direction] * size * 0.6 << centre - tip[direction] * size * 0.4 + side * size * 0.6
          << centre - tip[direction] * size * 0.4 - side * size * 0.6;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(shape);
}

// --- Window frame -------------------------------------------------------------------

// Sizes of the frame: the caption bar, the borders and the small window drawn whole.
constexpr int Caption = 28, Border = 6, Mock = 72;

// A whole small window frame, from which the four border pictures are cut so that they
// join. Below the caption the borders are plain across their length, as they stretch.
QImage frameMock(bool active)
{
    const QColor light = active ? QColor(0x76, 0x4E, 0x30) : QColor(0x66, 0x58, 0x4E);
    const QColor dark = active ? QColor(0x4A, 0x2D, 0x18) : QColor(0x48, 0x3E, 0x36);
    const QColor line = active ? QColor(0xD8, 0xA8, 0x4C) : QColor(0x9A, 0x8C, 0x72);
    QImage image = clearCanvas(Mock, Mock);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outer;
    outer.addRoundedRect(QRectF(0.5, 0.5, Mock - 1, Mock / 2 + 8), 8, 8);
    QPainterPath lower;
    lower.addRoundedRect(QRectF(0.5, Caption, Mock - 1, Mock - Caption - 0.5), 3, 3);
    outer = outer.united(lower);
    p.setClipPath(outer);
    p.fillRect(image.rect(), dark);
    p.drawImage(0, 0, wood(Mock, Caption, light, dark, active ? 0x5A1 : 0x5A2));
    QLinearGradient sheen(0, 0, 0, Caption / 2);
    sheen.setColorAt(0, QColor(255, 240, 210, 60));
    sheen.setColorAt(1, QColor(255, 240, 210, 0));
    p.fillRect(QRectF(0, 0, Mock, Caption / 2), sheen);
    // Below the caption: the same wood as flat bands, lighter towards the outside.
    const QColor bands[] = {light, light.darker(108), dark.lighter(105), dark};
    for (int i = 0; i < 4; ++i) {
        p.fillRect(QRectF(1 + i, Caption, 1, Mock - Caption), bands[i]);
        p.fillRect(QRectF(Mock - 2 - i, Caption, 1, Mock - Caption), bands[i]);
        p.fillRect(QRectF(1 + i, Mock - 2 - i, Mock - 2 - 2 * i, 1), bands[i]);
    }
    p.setClipping(false);
    p.setPen(QPen(Edge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outer);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(line.lighter(125), 1));
    p.drawLine(Border - 2, Caption - 3, Mock - Border + 1, Caption - 3);
    p.setPen(QPen(line, 1));
    p.drawRect(Border - 2, Caption - 2, Mock - 2 * Border + 3, Mock - Caption - Border + 3);
    p.setPen(QPen(Edge, 1));
    p.drawRect(Border - 1, Caption - 1, Mock - 2 * Border + 1, Mock - Caption - Border + 1);
    return image;
}

struct FramePictures {
    QImage top, left, right, bottom;
};

// Each border picture holds two frames side by side: the active window's, the other's.
FramePictures framePictures()
{
    FramePictures pictures;
    const QImage mocks[] = {keyed(frameMock(true), Desktop), keyed(frameMock(false), Desktop)};
    const auto pair = [&](QRect part) {
        QImage both(part.width() * 2, part.height(), QImage::Format_RGB32);
        QPainter p(&both);
        p.drawImage(0, 0, mocks[0].copy(part));
        p.drawImage(part.width(), 0, mocks[1].copy(part));
        return both;
    };
    const int side = Mock - Caption - Border;
    pictures.top = pair(QRect(0, 0, Mock, Caption));
    pictures.left = pair(QRect(0, Caption, Border, side));
    pictures.right = pair(QRect(Mock - Border, Caption, Border, side));
    pictures.bottom = pair(QRect(0, Mock - Border, Mock, Border));
    return pictures;
}

// A round brass caption button: normal, mouse over and pressed, then the same three for
// a window that is not active. `mark` draws the glyph in a 20 x 20 box.
QImage captionButton(const std::function<void(QPainter &)> &mark)
{
    return strip(
        6, QSize(20, 20),
        [&](QPainter &p, int i) {
            const State state = i % 3 == 1 ? Hover : i % 3 == 2 ? Pressed : Normal;
            const bool active = i < 3;
            QRadialGradient g(QPointF(8, 7), 11);
            QLinearGradient plate = brass({0, 0}, {0, 20}, active ? state : Disabled);
            g.setStops(plate.stops());
            p.setPen(QPen(active ? Edge : QColor(0x40, 0x36, 0x2E), 1));
            p.setBrush(g);
            p.drawEllipse(QRectF(1.5, 1.5, 17, 17));
            p.translate(state == Pressed ? 0.5 : 0, state == Pressed ? 0.5 : 0);
            QColor ink = active ? (state == Hover ? QColor(0x8A, 0x1A, 0x0A) : Ink) : QColor(0x58, 0x4C, 0x40);
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
            mark(p);
        },
        [](int) { return CaptionWood; });
}

QImage textBack()
{
    return strip(
        2, QSize(40, 20),
        [](QPainter &p, int i) {
            p.setPen(QPen(i == 0 ? QColor(0xD8, 0xA8, 0x4C, 150) : QColor(0x9A, 0x8C, 0x72, 120), 1));
            p.setBrush(QColor(0x24, 0x16, 0x0C, i == 0 ? 215 : 170));
            p.drawRoundedRect(QRectF(0.5, 1.5, 39, 17), 8.5, 8.5);
        },
        [](int) { return CaptionWood; });
}

// Three child-window controls (minimize, restore, close), four frames each, 12 x 12.
QImage mdiControls()
{
    return strip(
        12, QSize(12, 12),
        [](QPainter &p, int i) {
            const State state = State(i % 4);
            brassPlate(p, QRectF(0, 0, 12, 12), state, 2.5);
            p.setPen(QPen(glyph(state), 1.4, Qt::SolidLine, Qt::RoundCap));
            switch (i / 4) {
            case 0: p.drawLine(QPointF(3.5, 8.5), QPointF(8.5, 8.5)); break;
            case 1: p.drawRect(QRectF(3.5, 3.5, 5, 5)); break;
            default: p.drawLine(QPointF(3.5, 3.5), QPointF(8.5, 8.5)); p.drawLine(QPointF(8.5, 3.5), QPointF(3.5, 8.5));
            }
        },
        [](int) { return Face; });
}

// --- Controls -----------------------------------------------------------------------

// Push buttons: normal, mouse over, pressed, disabled, focused.
QImage pushButton()
{
    return strip(
        5, QSize(32, 24), [](QPainter &p, int i) { brassPlate(p, QRectF(0, 0, 32, 24), State(i), 4.5); },
        [](int) { return Face; });
}

// Check boxes and radio buttons: unchecked normal, mouse over, pressed, disabled, then
// the same checked; 13 x 13 each.
QImage indicator(bool round)
{
    return strip(
        8, QSize(13, 13),
        [round](QPainter &p, int i) {
            const State state = State(i % 4);
            const bool checked = i >= 4;
            const QColor inside[] = {QColor(0x2A, 0x1A, 0x10), QColor(0x3C, 0x27, 0x17), QColor(0x18, 0x0E, 0x08),
                                     QColor(0x6A, 0x62, 0x5A)};
            const QColor rim[] = {QColor(0xB8, 0x88, 0x34), QColor(0xF0, 0xC8, 0x68), QColor(0x98, 0x6C, 0x22),
                                  QColor(0x8A, 0x80, 0x74)};
            p.setPen(QPen(rim[state], 1.2));
            p.setBrush(inside[state]);
            const QRectF box(0.8, 0.8, 11.4, 11.4);
            if (round)
                p.drawEllipse(box);
            else
                p.drawRoundedRect(box, 2, 2);
            if (!checked)
                return;
            const QColor mark = state == Disabled ? QColor(0xB0, 0xA8, 0x9C) : QColor(0xF6, 0xD0, 0x6A);
            if (round) {
                p.setPen(Qt::NoPen);
                p.setBrush(mark);
                p.drawEllipse(QPointF(6.5, 6.5), 2.8, 2.8);
            } else {
                p.setPen(QPen(mark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(QPolygonF{QPointF(3.2, 6.6), QPointF(5.4, 9), QPointF(9.8, 3.8)});
            }
        },
        [](int) { return Face; });
}

// The scroll bar's 23 frames: four arrows in four states, the corner, then the grips of
// the vertical and the horizontal thumb in three states.
QImage scrollParts()
{
    return strip(
        23, QSize(16, 16),
        [](QPainter &p, int i) {
            if (i < 16) {
                const State state = State(i % 4);
                brassPlate(p, QRectF(0, 0, 16, 16), state, 3, i / 4 < 2);
                triangle(p, QPointF(8, 8), i / 4, 7, glyph(state));
            } else if (i == 16) {
                p.fillRect(QRect(0, 0, 16, 16), Track);
            } else {
                const bool vertical = i < 20;
                const int state = (i - 17) % 3;
                p.setRenderHint(QPainter::Antialiasing, false);
                const QColor dark = state == 2 ? QColor(0x2A, 0x18, 0x08) : QColor(0x6A, 0x48, 0x14);
                for (int k = 0; k < 3; ++k) {
                    const int at = 5 + 2 * k;
                    p.setPen(dark);
                    vertical ? p.drawLine(4, at, 11, at) : p.drawLine(at, 4, at, 11);
                    p.setPen(QColor(255, 244, 200, state == 1 ? 255 : 200));
                    vertical ? p.drawLine(4, at + 1, 11, at + 1) : p.drawLine(at + 1, 4, at + 1, 11);
                }
            }
        },
        [](int i) { return i < 16 ? Track : QColor(0xD0, 0xA0, 0x48); });
}

// Scroll bar grooves: normal, mouse over, pressed, disabled.
QImage track(bool vertical)
{
    const QSize size = vertical ? QSize(16, 32) : QSize(32, 16);
    return strip(
        4, size,
        [vertical, size](QPainter &p, int i) {
            const QColor ground[]
                = {Track, QColor(0x4A, 0x33, 0x22), QColor(0x2C, 0x1D, 0x12), QColor(0x4E, 0x48, 0x43)};
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(QRect(QPoint(), size), ground[i]);
            p.setPen(ground[i].darker(140));
            vertical ? p.drawLine(0, 0, 0, size.height() - 1) : p.drawLine(0, 0, size.width() - 1, 0);
            p.setPen(ground[i].lighter(130));
            vertical ? p.drawLine(15, 0, 15, size.height() - 1) : p.drawLine(0, 15, size.width() - 1, 15);
        },
        [](int) { return Track; });
}

// Thumbs: normal, mouse over, pressed.
QImage thumb(bool vertical)
{
    const QSize size = vertical ? QSize(16, 24) : QSize(24, 16);
    return strip(
        3, size,
        [vertical, size](QPainter &p, int i) {
            const QRectF area = vertical ? QRectF(1, 0, 14, size.height()) : QRectF(0, 1, size.width(), 14);
            brassPlate(p, area, State(i), 4, !vertical);
        },
        [](int) { return Track; });
}

// A two-pixel edge: `outer` and `inner` rings, each dark at the top and left and light
// at the bottom and right, around a middle of `middle`.
QImage edgeFrame(QSize size, std::array<QColor, 4> rings, const QColor &middle)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(middle);
    QPainter p(&image);
    const int w = size.width() - 1, h = size.height() - 1;
    for (int ring = 0; ring < 2; ++ring) {
        const QColor shade = rings[std::size_t(2 * ring)], light = rings[std::size_t(2 * ring + 1)];
        const int o = ring;
        p.setPen(shade);
        p.drawLine(o, o, w - o, o);
        p.drawLine(o, o, o, h - o);
        p.setPen(light);
        p.drawLine(o, h - o, w - o, h - o);
        p.drawLine(w - o, o + 1, w - o, h - o);
    }
    return image;
}

QImage frames(const std::vector<QImage> &parts)
{
    QImage result(parts[0].width() * int(parts.size()), parts[0].height(), QImage::Format_RGB32);
    QPainter p(&result);
    for (std::size_t i = 0; i < parts.size(); ++i)
        p.drawImage(int(i) * parts[0].width(), 0, parts[i]);
    return result;
}

// Edit boxes: normal, mouse over, focused, disabled.
QImage sunkEdge()
{
    const QColor cream(0xFF, 0xFB, 0xF0);
    const QSize size(12, 12);
    return frames({edgeFrame(size,
                             {QColor(0x24, 0x17, 0x0D), QColor(0xA8, 0x86, 0x62), QColor(0x3E, 0x2A, 0x1A),
                              QColor(0xD8, 0xC0, 0x98)},
                             cream),
                   edgeFrame(size,
                             {QColor(0x5A, 0x3E, 0x1E), QColor(0xD0, 0xA8, 0x58), QColor(0x3E, 0x2A, 0x1A),
                              QColor(0xE8, 0xCC, 0x90)},
                             cream),
                   edgeFrame(size,
                             {QColor(0xE0, 0xB0, 0x50), QColor(0xE0, 0xB0, 0x50), QColor(0x3E, 0x2A, 0x1A),
                              QColor(0xF0, 0xD8, 0xA0)},
                             cream),
                   edgeFrame(size,
                             {QColor(0x5A, 0x54, 0x50), QColor(0x9A, 0x94, 0x8E), QColor(0x6A, 0x64, 0x5E),
                              QColor(0xB0, 0xAA, 0xA4)},
                             QColor(0xD8, 0xD4, 0xCC))});
}

// Group frames, an etched groove: normal, disabled.
QImage groupBoxEdge()
{
    const QSize size(12, 12);
    return frames({edgeFrame(size,
                             {QColor(0x2A, 0x1C, 0x12), QColor(0x9A, 0x7A, 0x5A), QColor(0x9A, 0x7A, 0x5A),
                              QColor(0x2A, 0x1C, 0x12)},
                             Face),
                   edgeFrame(size,
                             {QColor(0x4A, 0x44, 0x40), QColor(0x8A, 0x84, 0x7E), QColor(0x8A, 0x84, 0x7E),
                              QColor(0x4A, 0x44, 0x40)},
                             Face)});
}

// Brass plates for the objects of other kinds of control, in `count` states.
QImage plates(int count, QSize size, qreal radius, const std::function<void(QPainter &, int)> &mark = {})
{
    return strip(
        count, size,
        [&](QPainter &p, int i) {
            brassPlate(p, QRectF(QPoint(), size), State(std::min(i, 4)), radius);
            if (mark)
                mark(p, i);
        },
        [](int) { return Face; });
}

QImage woodStrip(int count, QSize size)
{
    std::vector<QImage> parts;
    for (int i = 0; i < count; ++i)
        parts.push_back(wood(size.width(), size.height(), i == 0 ? QColor(0x76, 0x4E, 0x30) : QColor(0x66, 0x58, 0x4E),
                             QColor(0x4A, 0x2D, 0x18), 0x77 + std::uint32_t(i))
                            .convertToFormat(QImage::Format_RGB32));
    return frames(parts);
}

QImage progress()
{
    return frames({track(false).copy(0, 0, 24, 16), plates(1, QSize(24, 16), 3).convertToFormat(QImage::Format_RGB32)});
}

// Up-down buttons: the first arrow in four states, then the second.
QImage upDown(bool vertical)
{
    const QSize size = vertical ? QSize(16, 12) : QSize(12, 16);
    return strip(
        8, size,
        [vertical, size](QPainter &p, int i) {
            const State state = State(i % 4);
            brassPlate(p, QRectF(QPoint(), size), state, 2.5);
            const int direction = vertical ? (i < 4 ? 0 : 1) : (i < 4 ? 2 : 3);
            triangle(p, QRectF(QPoint(), size).center(), direction, 6, glyph(state));
        },
        [](int) { return Face; });
}

QImage upDownGlyphs(bool vertical)
{
    return strip(
        2, QSize(8, 8), [vertical](QPainter &p, int i) { triangle(p, QPointF(4, 4), vertical ? i : 2 + i, 6, Ink); },
        [](int) { return Face; });
}

QImage menuBackground()
{
    QImage image(32, 32, QImage::Format_RGB32);
    Noise paper(0xBAC);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int shift = int(paper.next() * 4);
            image.setPixel(x, y, qRgb(0xF6 + std::min(shift, 9), 0xEE + shift, 0xDC + shift));
        }
    return image;
}

const char *const Definition = R"(; Walnut: the skin Kelmar ships. Dark walnut frames with brass lines, brass buttons.
[TitlebarSkin]
SkinName=Walnut

[Personality]
Top=top.bmp
TopTopHeight=14
TopBotHeight=14
TopFrame=2
TopStretch=1
TopTrans=1
Left=left.bmp
LeftTopHeight=0
LeftBotHeight=0
LeftFrame=2
LeftStretch=1
LeftTrans=1
Right=right.bmp
RightTopHeight=0
RightBotHeight=0
RightFrame=2
RightStretch=1
RightTrans=1
Bottom=bottom.bmp
BottomTopHeight=6
BottomBotHeight=6
BottomFrame=2
BottomStretch=1
BottomTrans=1
TextBack=textback.bmp
Textbackground=1
TXTBackleft=10
TXTBackRight=10
TextShift=12
TextShiftVert=0
TextRightClip=8
TextAlignment=2
ActiveTextR=246
ActiveTextG=217
ActiveTextB=138
InActiveTextR=190
InActiveTextG=178
InActiveTextB=158
menuBar=menubar.bmp
TileMenu=1
TileLeftMenu=2
TileRightMenu=2

[Fonts]
FontHeight=13

[Colours]
WindowText=243 230 200
ButtonFace=91 67 50
Scrollbar=62 42 28
HilightText=30 20 12
Hilight=208 160 72
Menubar=74 54 38
Menu=91 67 50
MenuText=243 230 200
ButtonText=58 36 20
ButtonHilight=138 106 80
Buttonlight=118 90 68
ButtonShadow=150 130 110
ButtonDkShadow=30 20 12
MenuBarText=243 230 200
TitleTextActive=246 217 138

[Colour1]
color=46 118 74

[Colour2]
color=208 160 72

[Colour3]
color=91 67 50

[Button.Close]
Action=0
Align=1
Xcoord=28
Ycoord=4
Visibility=0
Visibility1=0
CombineOp=-1
frame=0
ButtonImage=close.bmp

[Button.Maximize]
Action=1
Align=1
Xcoord=50
Ycoord=4
frame=6
ButtonImage=maximize.bmp

[Button.Minimize]
Action=2
Align=1
Xcoord=72
Ycoord=4
frame=6
ButtonImage=minimize.bmp

[MDICONTROLS]
Image=mdicontrols.bmp

[Buttons]
Bitmap=button.bmp
LeftWidth=6
RightWidth=6
TopHeight=6
BottomHeight=6
Trans=1
CheckButton=checkbox.bmp
RadioButton=radio.bmp
CheckButtonFrame=0
RadioButtonFrame=0
NormalColour=$14243A
MouseOverColour=$08162A
PressedColour=$040E1E
NormalColour2=58 36 20
MouseOverColour2=42 22 8
PressedColour2=30 14 4

[Progress]
Bitmap=progress.bmp
LeftWidth=4
RightWidth=4
TopHeight=3
BottomHeight=3
Trans=0
Tile=0

[GroupBoxEdge]
Image=groupbox.bmp
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2

[Toolbars]
Image=toolbar.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1

[Tabs]
Image=tabs.bmp
Border=tabborder.bmp
LeftWidth=5
RightWidth=5
TopHeight=5
BottomHeight=5
Trans=1

[StatusBarEdges]
Image=statusbar.bmp
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2

[ComboButton]
Image=combo.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1

[SunkEdge]
Image=sunkedge.bmp
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2

[ExtraImages]
Image=extra.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1

[Headerbar]
Image=header.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1

[MenuItem]
Image=menuitem.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1
NormalColour=$C8E6F3
MouseOverColour=$14243A
PressedColour=$0C141E

[MenuBackground]
Image=menuback.bmp
Tile=1

[Scrollbar]
Image=scrollbar.bmp
Trans=1

[HorzScroll]
Image=hscroll.bmp
LeftWidth=3
RightWidth=3

[VertScroll]
Image=vscroll.bmp
TopHeight=3
BottomHeight=3

[HorzScrollThumb]
Image=hthumb.bmp
LeftWidth=6
RightWidth=6
Trans=1
FrameCount=3

[VertScrollThumb]
Image=vthumb.bmp
TopHeight=6
BottomHeight=6
Trans=1
FrameCount=3

[UpDown.Horz]
Image=updownh.bmp
GlyphImage=updownhglyph.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1

[UpDown.Vert]
Image=updownv.bmp
GlyphImage=updownvglyph.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
)";

bool saveBmp(const QImage &image, const QString &path)
{
    if (image.convertToFormat(QImage::Format_RGB32).save(path, "BMP"))
        return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
    return false;
}
}  // namespace

bool WriteSkinMembers(const QString &dir)
{
    if (!QDir().mkpath(dir))
        return false;
    const QString d = dir + QLatin1Char('/');
    QFile definition(d + "walnut.ini");
    const QByteArray text = QByteArray(Definition).replace("\n", "\r\n");
    if (!definition.open(QIODevice::WriteOnly) || definition.write(text) != text.size()) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(definition.fileName()));
        return false;
    }
    const FramePictures frame = framePictures();
    const auto cross = [](QPainter &p) {
        p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
    };
    const auto square = [](QPainter &p) {
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(6.5, 6.5, 7, 7));
    };
    const auto bar = [](QPainter &p) { p.drawLine(QPointF(6.5, 13), QPointF(13.5, 13)); };
    const std::pair<const char *, QImage> pictures[] = {
        {"top.bmp", frame.top},
        {"left.bmp", frame.left},
        {"right.bmp", frame.right},
        {"bottom.bmp", frame.bottom},
        {"textback.bmp", textBack()},
        {"close.bmp", captionButton(cross)},
        {"maximize.bmp", captionButton(square)},
        {"minimize.bmp", captionButton(bar)},
        {"mdicontrols.bmp", mdiControls()},
        {"button.bmp", pushButton()},
        {"checkbox.bmp", indicator(false)},
        {"radio.bmp", indicator(true)},
        {"scrollbar.bmp", scrollParts()},
        {"hscroll.bmp", track(false)},
        {"vscroll.bmp", track(true)},
        {"hthumb.bmp", thumb(false)},
        {"vthumb.bmp", thumb(true)},
        {"sunkedge.bmp", sunkEdge()},
        {"groupbox.bmp", groupBoxEdge()},
        {"progress.bmp", progress()},
        {"menubar.bmp", woodStrip(2, QSize(16, 20))},
        {"toolbar.bmp", plates(5, QSize(16, 16), 3)},
        {"tabs.bmp", plates(5, QSize(24, 20), 4)},
        {"tabborder.bmp", groupBoxEdge().copy(0, 0, 12, 12)},
        {"statusbar.bmp", sunkEdge().copy(0, 0, 36, 12)},
        {"combo.bmp",
         plates(4, QSize(16, 18), 3, [](QPainter &p, int i) { triangle(p, QPointF(8, 9), 1, 7, glyph(State(i))); })},
        {"extra.bmp", plates(5, QSize(16, 16), 8)},
        {"header.bmp", plates(5, QSize(24, 18), 2)},
        {"menuitem.bmp", plates(5, QSize(24, 18), 3)},
        {"menuback.bmp", menuBackground()},
        {"updownh.bmp", upDown(false)},
        {"updownhglyph.bmp", upDownGlyphs(false)},
        {"updownv.bmp", upDown(true)},
        {"updownvglyph.bmp", upDownGlyphs(true)},
    };
    for (const auto &[name, image] : pictures)
        if (!saveBmp(image, d + QLatin1String(name)))
            return false;
    return true;
}
