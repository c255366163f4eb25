#pragma once
// The server's own players: they take the seats nobody fills and the seats of players
// who leave during a game.
#include "Game.h"

#include <QByteArray>
#include <optional>

namespace Bot {

// The bot's move when it is to move: the heaviest tile it can play, a double before
// another tile of the same weight, and, of the ends it fits, the one whose new open
// count the bot holds most often, so that it keeps moves for later. None when it
// cannot move.
std::optional<Placed> Choose(const Game &game, int seat);

// The name the other players see for a bot in that seat.
QByteArray Name(int seat);

}  // namespace Bot
