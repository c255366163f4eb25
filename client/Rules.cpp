#include "Rules.h"

namespace Rules {

std::optional<Pips> PipsOfTile(int tile)
{
    if (tile < 1 || tile > TileCount)
        return std::nullopt;
    int n = tile;
    for (std::uint8_t a = 0; a <= 6; ++a) {
        const int row = 7 - a;  // tiles a-a .. a-6
        if (n <= row)
            return Pips{a, static_cast<std::uint8_t>(a + n - 1)};
        n -= row;
    }
    return std::nullopt;
}

int TileOf(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    if (a < 0 || b > 6)
        return 0;
    int tile = 0;
    for (int row = 0; row < a; ++row)
        tile += 7 - row;
    return tile + (b - a) + 1;
}

std::uint8_t NextPosition(const Occupied &occupied, int p)
{
    const auto isOccupied = [&](int q) { return q > RingSize || occupied(q); };
    if (p == 1) {
        const bool right = isOccupied(2), left = isOccupied(RingSize);
        if (!right && !left)
            return Opening;
        if (right && left)
            return NoRoom;
        return right ? RingSize : 2;
    }
    if (p < 1 || p > RingSize)
        return NoRoom;
    if (!isOccupied(p + 1))
        return static_cast<std::uint8_t>(p + 1);
    if (!isOccupied(p - 1))
        return static_cast<std::uint8_t>(p - 1);
    return NoRoom;
}

char TargetSide(const Occupied &occupied, int n) { return (n + 1 > RingSize || occupied(n + 1)) ? 'l' : 'r'; }

Placement Place(const Occupied &occupied, int p, std::uint8_t open, Pips tile)
{
    const std::uint8_t next = NextPosition(occupied, p);
    if (next == Opening)
        return {Placement::Opening};
    if (next == NoRoom)
        return {Placement::NoRoom};
    if (tile.first != open && tile.second != open)
        return {Placement::Mismatch};
    const std::uint8_t shown = tile.first == open ? tile.second : tile.first;
    return {Placement::Match, next, shown, TargetSide(occupied, next)};
}

}  // namespace Rules
