#include "Player.h"

#include "Log.h"

void Player::report(const QString &line)
{
    const LogQuota::Verdict verdict = quota_.take(SteadyNow());
    tellHeldBack(verdict.heldBack);
    if (verdict.write)
        WriteInfo(line);
}

void Player::reportHeldBack() { tellHeldBack(quota_.takeHeldBack()); }

void Player::tellHeldBack(int lines) const
{
    if (lines > 0)
        qCInfo(lcServer).noquote()
            << QStringLiteral("%1: %2 more lines about it held back").arg(label(), QString::number(lines));
}
