#include "Player_Prototype.h"

#include "Global.h"

std::array<std::unique_ptr<TPlayer>, 4> Players;

void TPlayer::PlaceTile(int slot, int left, int top, char side)
{
    TCards *tile = Tile(slot);
    if (!tile)
        return;
    tile->move(left, top);
    const char *bitmap = side == 'L' ? "BLEFT" : side == 'R' ? "BRIGHT" : side == 'T' ? "BTOP" : nullptr;
    if (!bitmap)
        return;
    tile->resize(side == 'T' ? QSize(55, 111) : QSize(111, 55));
    tile->SetPicture(BuiltinPixmap(QLatin1String(bitmap)));
}

void TPlayer::ClearTile(int slot)
{
    if (TCards *tile = Tile(slot))
        tile->SetPicture(QPixmap());
}

void TPlayer::Reset()
{
    Name.clear();
    Address.clear();
    Score = 0;
}

TCards *TPlayer::Tile(int slot) const
{
    return (slot >= 1 && slot <= 7) ? Hand[static_cast<std::size_t>(slot - 1)].data() : nullptr;
}

void TPlayer::SetTile(int slot, TCards *tile)
{
    if (slot >= 1 && slot <= 7)
        Hand[static_cast<std::size_t>(slot - 1)] = tile;
}

int ViewOf(int seatIndex) { return ((seatIndex - OwnSeatIndex) % 4 + 4) % 4; }

TPlayer &Player(int view)
{
    if (view < 0 || view > 3 || !Players[static_cast<std::size_t>(view)])
        throw KelmarError(QStringLiteral("The table is not built"));
    return *Players[static_cast<std::size_t>(view)];
}

void CreatePlayers()
{
    for (auto &player : Players)
        player = std::make_unique<TPlayer>();
}

void DestroyPlayers()
{
    for (auto &player : Players)
        player.reset();
}
