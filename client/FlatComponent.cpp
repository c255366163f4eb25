#include "FlatComponent.h"

#include "Global.h"
#include "Initialize.h"
#include "SkinStyle.h"

#include <QEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QToolButton>

namespace {
// A flat push button as the classic flat style draws it: a one-pixel frame around the
// face, lighter under the mouse, darker and its caption one pixel lower while pressed.
// The platform's styles draw a flat button as bare text; the skin's style draws every
// push button as its picture, so under the skin the style paints.
void paintFlatButton(QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features = QStyleOptionButton::Flat;
    const bool pressed = button->isDown();
    if (pressed)
        option.state |= QStyle::State_Sunken;
    const QPalette &palette = button->palette();
    const QPalette::ColorRole face = pressed ? QPalette::Mid
        : button->underMouse()               ? QPalette::Light
                                             : QPalette::Button;
    QPainter painter(button);
    painter.fillRect(button->rect(), palette.color(face));
    painter.setPen(palette.color(QPalette::Shadow));
    painter.drawRect(button->rect().adjusted(0, 0, -1, -1));
    if (button->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(button);
        focus.rect = button->rect().adjusted(3, 3, -3, -3);
        button->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, button);
    }
    if (pressed)
        option.rect.translate(1, 1);
    button->style()->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, button);
}

class TFlatPainter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button || qobject_cast<const TSkinStyle *>(button->style()))
            return false;
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::Leave: button->update(); return false;  // the face follows the mouse
        case QEvent::Paint: paintFlatButton(button); return true;
        default: return false;
        }
    }
};
}  // namespace

void SetFlatStyle(QPushButton *button)
{
    button->setFlat(true);
    static TFlatPainter painter;
    button->installEventFilter(&painter);
}

QToolButton *CreateTitleButton(QWidget *parent, const QString &pictureName, int left, int top)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setGeometry(left, top, 23, 22);
    const QPixmap picture = BuiltinPixmap(pictureName);
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.deviceIndependentSize().toSize());
    SetCustomCursor(button, CursorKind::Arrow);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
