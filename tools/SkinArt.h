#pragma once
// The skin Kelmar ships, "Walnut": dark walnut window frames with brass lines, brass
// buttons and scroll bars, a definition that uses every section of the format. Writes
// the archive's members (walnut.ini and its bitmaps) into a folder; the build packs
// them with kelmar-skin into Resource/mxskin11.skin. Deterministic, like all the art.
#include <QString>

bool WriteSkinMembers(const QString &dir);
