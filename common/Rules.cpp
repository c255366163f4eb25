#include "Rules.h"

#include <array>
#include <utility>

namespace Rules {

std::optional<Pips> PipsOfTile(int tile)
{
    // The game asks this for every slot of every hand after each move: a table made once.
    static constexpr std::array<Pips, TileCount> pips = [] {
        std::array<Pips, TileCount> all{};
        std::size_t tile = 0;
        for (std::uint8_t a = 0; a <= 6; ++a)
            for (std::uint8_t b = a; b <= 6; ++b)  // tiles a-a .. a-6
                all[tile++] = Pips{a, b};
        return all;
    }();
    if (tile < 1 || tile > TileCount)
        return std::nullopt;
    return pips[std::size_t(tile - 1)];
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

NextStep NextPosition(const Occupied &occupied, int p)
{
    const auto isOccupied = [&](int q) { return q > RingSize || occupied(q); };
    if (p == 1) {
        const bool right = isOccupied(2), left = isOccupied(RingSize);
        if (!right && !left)
            return {NextStep::Opening};
        if (right && left)
            return {NextStep::NoRoom};
        return {NextStep::Position, right ? RingSize : 2};
    }
    if (p < 1 || p > RingSize)
        return {NextStep::NoRoom};
    if (!isOccupied(p + 1))
        return {NextStep::Position, p + 1};
    if (!isOccupied(p - 1))
        return {NextStep::Position, p - 1};
    return {NextStep::NoRoom};
}

char BranchLetter(Branch branch) { return branch == Branch::Left ? 'l' : 'r'; }

Branch TargetSide(const Occupied &occupied, int n)
{
    return (n + 1 > RingSize || occupied(n + 1)) ? Branch::Left : Branch::Right;
}

Placement Place(const Occupied &occupied, int p, std::uint8_t open, Pips tile)
{
    const NextStep next = NextPosition(occupied, p);
    if (next.kind == NextStep::Opening)
        return {Placement::Opening};
    if (next.kind == NextStep::NoRoom)
        return {Placement::NoRoom};
    if (tile.first != open && tile.second != open)
        return {Placement::Mismatch};
    const std::uint8_t shown = tile.first == open ? tile.second : tile.first;
    return {Placement::Match, next.position, shown, TargetSide(occupied, next.position)};
}

}  // namespace Rules
