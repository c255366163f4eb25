#include "Bot.h"

#include <tuple>

namespace Bot {
namespace {
// How often the seat's other tiles show `pips`, not counting the one in `slot`.
int held(const Game &game, int seat, int slot, int pips)
{
    int count = 0;
    for (int s = 1; s <= Rules::HandSize; ++s)
        if (const auto p = Rules::PipsOfTile(game.tile(seat, s)); p && s != slot)
            count += int(p->first == pips) + int(p->second == pips);
    return count;
}

auto preference(const Game &game, int seat, Move move)
{
    const Placed placed = game.judge(seat, move).placed;
    const int weight = placed.pips.first + placed.pips.second;
    const bool isDouble = placed.pips.first == placed.pips.second;
    return std::make_tuple(weight, isDouble, held(game, seat, move.slot, placed.shown));
}
}  // namespace

std::optional<Move> Choose(const Game &game, int seat)
{
    if (game.mover() != seat)
        return std::nullopt;
    std::optional<Move> best;
    decltype(preference(game, seat, {})) bestPreference{};  // the best move's, worked out once
    for (const Move &move : game.legalMoves(seat))
        if (const auto p = preference(game, seat, move); !best || p > bestPreference) {
            best = move;
            bestPreference = p;
        }
    return best;
}

QByteArray Name(int seat)
{
    static const char *const names[Seats] = {"Amira", "Bruno", "Carmen", "Dario"};
    return names[seat];
}

}  // namespace Bot
