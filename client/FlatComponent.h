#pragma once
// Flat push buttons and the board's small picture buttons.
#include <QString>

class QPushButton;
class QToolButton;
class QWidget;

// A flat push button that stays visible: framed, its face following the mouse and the press.
void SetFlatStyle(QPushButton *button);
// A flat picture button, 23 x 22, framed only while the mouse is over it.
QToolButton *CreateTitleButton(QWidget *parent, const QString &pictureName, int left, int top);
