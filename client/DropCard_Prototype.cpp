#include "DropCard_Prototype.h"

#include "Global.h"

void TDropCards::LoadTiny(const QString &name) { LoadPicture(QStringLiteral("%1tiny/%2.bmp").arg(GraphDir(), name)); }
