// Draws the program's built-in pictures ("builtin DIR") and the data files beside the
// program ("data DIR": Graph/ and Resource/). Deterministic: the same files every run.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {
bool save(const QImage &image, const QString &path)
{
    if (image.save(path))
        return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
    return false;
}

QImage canvas(int width, int height, const QColor &fill)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

// A red-brown diagonal cross on white.
QImage quitPicture()
{
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xC0, 0x20, 0x00), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    return image;
}

// A blue letter "i" in a blue ring with silver shading, on white.
QImage infoPicture()
{
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(192, 192, 192), 1.5));
    p.drawEllipse(QRectF(2.5, 2.5, 12, 12));
    p.setPen(QPen(QColor(0, 0, 255), 1.2));
    p.drawEllipse(QRectF(1.5, 1.5, 12, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(6.5, 6.5, 2, 5));
    p.drawEllipse(QRectF(6.5, 3.5, 2, 2));
    return image;
}

QPainterPath arrowShape()
{
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(0, 17);
    path.lineTo(4, 13);
    path.lineTo(7, 20);
    path.lineTo(10, 19);
    path.lineTo(7, 12);
    path.lineTo(12, 12);
    path.closeSubpath();
    return path;
}

// A pointing hand (open = false) or a gripping hand (open = true), 32 x 32.
QImage handCursor(bool gripping)
{
    QImage image = canvas(32, 32, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    QPainterPath hand;
    if (gripping) {
        hand.addRoundedRect(QRectF(3, 6, 18, 16), 5, 5);
        for (int i = 0; i < 4; ++i)
            hand.addRoundedRect(QRectF(4 + 4.5 * i, 2, 4.5, 8), 2, 2);
    } else {
        hand.addRoundedRect(QRectF(5, 0, 5, 14), 2.5, 2.5);
        hand.addRoundedRect(QRectF(4, 10, 16, 13), 5, 5);
        hand.addRoundedRect(QRectF(0, 12, 6, 5), 2.5, 2.5);
    }
    p.drawPath(hand.simplified());
    return image;
}

QImage arrowCursor()
{
    QImage image = canvas(32, 32, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPath(arrowShape().translated(0.5, 0.5));
    return image;
}

// The back of a face-down tile: a dark green pattern inside an ivory rim.
QImage tileBack(int width, int height)
{
    QImage image = canvas(width, height, QColor(250, 246, 232));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 80, 60), 1));
    p.setBrush(QColor(20, 90, 60));
    p.drawRoundedRect(QRectF(2.5, 2.5, width - 5, height - 5), 5, 5);
    p.setPen(QPen(QColor(210, 190, 120), 1));
    for (int d = -height; d < width; d += 7) {
        p.drawLine(QPointF(d + 4, 4), QPointF(d + 4 + height, 4 + height));
        p.drawLine(QPointF(d + 4 + height, 4), QPointF(d + 4, 4 + height));
    }
    p.setPen(QPen(QColor(90, 80, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 6, 6);
    return image;
}

bool writeBuiltins(const QString &dir)
{
    QDir().mkpath(dir);
    const QString d = dir + QLatin1Char('/');
    return save(quitPicture(), d + "xBitmap.bmp") && save(infoPicture(), d + "iBitmap.bmp")
           && save(arrowCursor(), d + "Arrow.png") && save(handCursor(false), d + "FHand.png")
           && save(handCursor(true), d + "HHand.png")
           && save(tileBack(111, 53).convertToFormat(QImage::Format_RGB32), d + "BLEFT.bmp")
           && save(tileBack(111, 53).convertToFormat(QImage::Format_RGB32), d + "BRIGHT.bmp")
           && save(tileBack(53, 111).convertToFormat(QImage::Format_RGB32), d + "BTOP.bmp");
}

bool writeData(const QString &dir)
{
    return QDir().mkpath(dir + "/Graph/tiny") && QDir().mkpath(dir + "/Resource");
}
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args[1] != "builtin" && args[1] != "data")) {
        std::fprintf(stderr, "usage: artgen builtin|data DIR\n");
        return 2;
    }
    const bool ok = args[1] == "builtin" ? writeBuiltins(args[2]) : writeData(args[2]);
    return ok ? 0 : 1;
}
