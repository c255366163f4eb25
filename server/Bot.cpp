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

auto preference(const Game &game, const Placed &move)
{
    const int weight = move.pips.first + move.pips.second;
    const bool isDouble = move.pips.first == move.pips.second;
    return std::make_tuple(weight, isDouble, held(game, move.seat, move.slot, move.shown));
}
}  // namespace

std::optional<Placed> Choose(const Game &game, int seat)
{
    if (game.mover() != seat)
        return std::nullopt;
    std::optional<Placed> best;
    decltype(preference(game, {})) bestPreference{};  // the best move's, worked out once
    for (const Placed &move : game.legalMoves(seat))
        if (const auto p = preference(game, move); !best || p > bestPreference) {
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
