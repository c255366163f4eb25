#include "LabelLook.h"

#include "Initialize.h"
#include "SkinStyle.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace {
double relativeLuminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// The rectangle the label draws its one line of text in.
QRect textRect(const QLabel *label)
{
    const QSize text = label->fontMetrics().size(Qt::TextSingleLine, label->text());
    return QStyle::alignedRect(label->layoutDirection(), label->alignment(), text, label->contentsRect());
}

// Paints the plate before the label paints its text over it. The skin's style is on the
// application exactly while a skin is applied.
class TPlatePainter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *label = qobject_cast<QLabel *>(watched);
        if (event->type() != QEvent::Paint || !label || label->text().isEmpty()
            || !qobject_cast<const TSkinStyle *>(label->style()))
            return false;
        QPainter painter(label);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(PlateFor(LabelColor(label)));
        painter.drawRoundedRect(QRectF(textRect(label).adjusted(-4, -1, 4, 1)), 4, 4);
        return false;
    }
};
}  // namespace

QColor SystemTextColor() { return QApplication::style()->standardPalette().color(QPalette::WindowText); }

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor PlateFor(const QColor &text)
{
    static const QColor light(255, 251, 240), dark(24, 16, 8);
    return ContrastRatio(text, light) >= ContrastRatio(text, dark) ? light : dark;
}

void PlateUnderSkin(QLabel *label)
{
    static TPlatePainter painter;
    if (label)
        label->installEventFilter(&painter);
}
