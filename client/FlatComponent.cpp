#include "FlatComponent.h"

#include "Global.h"
#include "Initialize.h"

#include <QPushButton>
#include <QToolButton>

void SetFlatStyle(QPushButton *button) { button->setFlat(true); }

QToolButton *CreateTitleButton(QWidget *parent, const QString &pictureName, int left, int top)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setGeometry(left, top, 23, 22);
    const QPixmap picture = BuiltinPixmap(pictureName);
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.deviceIndependentSize().toSize());
    button->setCursor(CustomCursor(CursorKind::Arrow));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
