#include "Game.h"

#include "Convert.h"
#include "Wire.h"

#include <algorithm>
#include <numeric>

Deal ShuffledDeal(std::mt19937 &random)
{
    std::array<int, Rules::TileCount> tiles{};
    std::iota(tiles.begin(), tiles.end(), 1);
    std::shuffle(tiles.begin(), tiles.end(), random);
    Deal deal{};
    for (int i = 0; i < Rules::TileCount; ++i)
        deal[i / Rules::HandSize][i % Rules::HandSize] = tiles[i];
    return deal;
}

int RefusalNotice(Fault fault)
{
    return (fault == Fault::NoTile || fault == Fault::NoMatch) ? Wire::Mismatch : Wire::IllegalPlacement;
}

const char *Describe(Fault fault)
{
    switch (fault) {
    case Fault::None: return "accepted";
    case Fault::NoGame: return "no game is running";
    case Fault::OutOfTurn: return "not that seat's turn";
    case Fault::NotAnEnd: return "the position is no open end of the chain";
    case Fault::Malformed: return "the messages do not describe that move";
    case Fault::NoTile: return "no tile in that slot";
    case Fault::NoMatch: return "the tile does not match the end";
    }
    return "";
}

Game::Game(const Deal &deal) : hands_(deal)
{
    occupied_[1] = true;  // the start position is open from the first turn switch on
    const int doubleSix = Rules::TileOf(6, 6);
    for (int seat = 0; seat < Seats; ++seat)
        if (std::ranges::find(hands_[seat], doubleSix) != hands_[seat].end())
            mover_ = seat;
}

int Game::tile(int seat, int slot) const { return (slot >= 1 && slot <= Rules::HandSize) ? hands_[seat][slot - 1] : 0; }

bool Game::occupied(int position) const { return position >= 1 && position <= Rules::RingSize && occupied_[position]; }

std::uint8_t Game::pips(int position) const { return occupied(position) ? pips_[position] : 0; }

Rules::Occupied Game::occupiedRule() const
{
    return [this](int position) { return occupied(position); };
}

int Game::tilesLeft(int seat) const
{
    return int(std::ranges::count_if(hands_[seat], [](int t) { return t != 0; }));
}

int Game::pipsLeft(int seat) const
{
    int sum = 0;
    for (int t : hands_[seat])
        if (const auto p = Rules::PipsOfTile(t))
            sum += p->first + p->second;
    return sum;
}

Judgement Game::judge(int seat, Move move) const
{
    if (end_ != End::None)
        return Fault::NoGame;
    if (seat != mover_)
        return Fault::OutOfTurn;
    return place(seat, move);
}

Judgement Game::place(int seat, Move move) const
{
    const auto pips = Rules::PipsOfTile(tile(seat, move.slot));
    if (!pips)
        return Fault::NoTile;
    if (!occupied(move.target))
        return Fault::NotAnEnd;
    const Rules::Placement placement = Rules::Place(occupiedRule(), move.target, pips_[move.target], *pips);
    switch (placement.kind) {
    case Rules::Placement::Opening:
    case Rules::Placement::Match:
        return Protocol::MakeMove(seat, move.slot, *pips, move.target, placement, tilesLeft(seat) == 1);
    case Rules::Placement::NoRoom: return Fault::NotAnEnd;
    case Rules::Placement::Mismatch: break;
    }
    return Fault::NoMatch;
}

// Offers each move the rules allow the seat to `take` until it returns false; returns
// false then. Bots and the search for the next mover ask this after every move, so the
// full rule runs only for a tile that shows the pips of an occupied position (once the
// chain is open, no other tile can match there).
template <typename Take> bool Game::offerLegalMoves(int seat, Take take) const
{
    for (int target = 1; target <= Rules::RingSize; ++target) {
        if (!occupied_[target])
            continue;
        for (int slot = 1; slot <= Rules::HandSize; ++slot) {
            const auto pips = Rules::PipsOfTile(hands_[seat][slot - 1]);
            if (!pips || (opened_ && pips->first != pips_[target] && pips->second != pips_[target]))
                continue;
            if (const Judgement placed = place(seat, {slot, target});
                placed.fault == Fault::None && !take(placed.placed))
                return false;
        }
    }
    return true;
}

QList<Placed> Game::legalMoves(int seat) const
{
    QList<Placed> moves;
    moves.reserve(2 * Rules::HandSize);  // each tile on both ends: more is rare
    offerLegalMoves(seat, [&moves](const Placed &move) {
        moves.append(move);
        return true;
    });
    return moves;
}

bool Game::canMove(int seat) const
{
    return !offerLegalMoves(seat, [](const Placed &) { return false; });
}

QList<int> Game::play(const Placed &move)
{
    hands_[move.seat][move.slot - 1] = 0;
    if (move.opening) {
        occupied_[2] = true;
        pips_[1] = move.pips.second;
        pips_[2] = move.pips.first;
        opened_ = true;
    } else {
        occupied_[move.next] = true;
        pips_[move.next] = move.shown;
    }
    mover_ = -1;
    if (move.handEmpty) {
        end_ = End::Domino;
        return {};
    }
    QList<int> passed;
    for (int step = 1; step <= Seats; ++step) {
        const int seat = (move.seat + step) % Seats;
        if (canMove(seat)) {
            mover_ = seat;
            return passed;
        }
        passed.append(seat);
    }
    end_ = End::Blocked;
    return passed;
}

namespace {
// The one message of that kind, or an empty array when there is none or more than one.
QByteArray single(const QByteArrayList &messages, char kind)
{
    QByteArray found;
    for (const QByteArray &m : messages)
        if (m.startsWith(kind)) {
            if (!found.isEmpty())
                return {};
            found = m;
        }
    return found;
}

int seatOf(const QByteArray &message) { return message.size() >= 2 ? message[1] - '0' : -1; }
}  // namespace

Judgement JudgeMessages(const Game &game, int seat, const QByteArrayList &messages)
{
    if (game.end() != Game::End::None)
        return Fault::NoGame;
    const QByteArray played = single(messages, 'X'), mover = single(messages, 'Z');
    if (played.size() != 3 || mover.isEmpty())
        return Fault::Malformed;
    if (seat != game.mover() || seatOf(played) != seat || seatOf(mover) != seat)
        return Fault::OutOfTurn;
    int target = 1;
    if (game.opened()) {
        const auto firstE = std::ranges::find_if(messages, [](const QByteArray &m) { return m.startsWith('E'); });
        if (firstE == messages.end())
            return Fault::Malformed;
        target = ConvertA21(firstE->at(1));
    }
    Judgement judgement = game.judge(seat, {played[2] - '0', target});
    if (judgement.fault == Fault::None && !Wire::IsClientMove(messages, judgement.placed))
        judgement.fault = Fault::Malformed;
    return judgement;
}
