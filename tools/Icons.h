#pragma once
// The program's icon for the desktop's menus, launchers and task bars: an ivory domino
// tile like those on the table, with a red-backed tile behind it at the larger sizes.
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

// The usual domino pattern of `count` pips (0..6) on a 3 x 3 grid, cells -1..1 each way:
// two and three run from the upper right to the lower left, six stands in two columns.
const QList<QPoint> &PipCells(int count);

// The sizes of the desktop's icon theme, in pixels.
const QList<int> &IconSizes();
// The square icon, `size` pixels wide, on a transparent ground.
QImage DrawIcon(int size);
// Writes DIR/NxN/apps/kelmar.png for every size, the layout of the icon theme.
bool WriteIcons(const QString &dir);
