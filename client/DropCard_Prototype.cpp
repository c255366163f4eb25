#include "DropCard_Prototype.h"

#include "Global.h"

#include <QPainter>

void TDropCards::LoadTiny(const QString &name) { LoadPicture(QStringLiteral("%1tiny/%2.bmp").arg(GraphDir(), name)); }

void TDropCards::SetDropHint(bool on)
{
    if (std::exchange(dropHint_, on) != on)
        update();
}

void TDropCards::SetLatest(bool on)
{
    if (std::exchange(latest_, on) != on)
        update();
}

void TDropCards::paintEvent(QPaintEvent *event)
{
    TImage::paintEvent(event);
    if (!dropHint_ && !latest_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (latest_) {  // a thin orange outline, seen on ivory and on the felt alike
        painter.setPen(QPen(QColor(0xE8, 0x5A, 0x1C), 2));
        painter.drawRoundedRect(square, 4, 4);
    }
    if (dropHint_) {  // a bright yellow glow that says "here"
        painter.setPen(QPen(QColor(0xFF, 0xE0, 0x20), 3));
        painter.setBrush(QColor(0xFF, 0xE8, 0x40, 90));
        painter.drawRoundedRect(square.adjusted(1, 1, -1, -1), 5, 5);
    }
}
