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
    if (latest_) {  // a thin light outline
        painter.setPen(QPen(QColor(255, 251, 240, 220), 1.5));
        painter.drawRoundedRect(square, 4, 4);
    }
    if (dropHint_) {  // a golden glow that says "here"
        painter.setPen(QPen(QColor(0xFF, 0xC8, 0x2E), 3));
        painter.setBrush(QColor(0xFF, 0xD8, 0x50, 70));
        painter.drawRoundedRect(square.adjusted(1, 1, -1, -1), 5, 5);
    }
}
