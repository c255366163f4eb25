#pragma once
// The program's icon for the desktop's menus, launchers and task bars: an ivory domino
// tile like those on the table, with a red-backed tile behind it at the larger sizes.
#include <QImage>
#include <QList>
#include <QString>

// The sizes of the desktop's icon theme, in pixels.
const QList<int> &IconSizes();
// The square icon, `size` pixels wide, on a transparent ground.
QImage DrawIcon(int size);
// Writes DIR/NxN/apps/kelmar.png for every size, the layout of the icon theme.
bool WriteIcons(const QString &dir);
