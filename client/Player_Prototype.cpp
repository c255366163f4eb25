#include "Player_Prototype.h"

#include "Global.h"

void TPlayer::PlaceTile(int slot, int left, int top, SeatSide side)
{
    TCards *tile = Tile(slot);
    if (!tile)
        return;
    tile->move(left, top);
    const bool upright = side == SeatSide::Top;
    tile->resize(upright ? QSize(55, 111) : QSize(111, 55));
    const char *bitmap = upright ? "BTOP" : side == SeatSide::Left ? "BLEFT" : "BRIGHT";
    tile->SetPicture(BuiltinPixmap(QLatin1String(bitmap)));
}

void TPlayer::ClearTile(int slot)
{
    if (TCards *tile = Tile(slot))
        tile->SetPicture(QPixmap());
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

int TPlayer::SlotOf(const TCards *tile) const
{
    for (int slot = 1; slot <= 7; ++slot)
        if (tile && Tile(slot) == tile)
            return slot;
    return 0;
}
