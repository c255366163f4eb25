#pragma once
// One table's game without any socket: the four hands, the chain on the ring of 26
// positions, whose move it is, and the check of a move against all of it. The tile
// table and the placement rule are the client's own (Rules), so both sides agree.
#include "Protocol.h"
#include "Rules.h"

#include <QByteArrayList>
#include <QList>
#include <array>
#include <random>

constexpr int Seats = 4;
using Hand = std::array<int, Rules::HandSize>;  // tile number by slot - 1; 0 once played
using Deal = std::array<Hand, Seats>;

// All 28 tiles, shuffled, seven to each seat.
Deal ShuffledDeal(std::mt19937 &random);

// The tile in hand slot `slot` (1..7) dropped on chain position `target` (1 for the opening).
struct Move {
    int slot = 0;
    int target = 0;
};

// A move that the rules accept, and what it does.
using Placed = Protocol::PlacedMove;

// Why a move is refused. The first four are "Illegal placement" (notice 2), the last two
// "Missmatch" (notice 3): see RefusalNotice.
enum class Fault { None, NoGame, OutOfTurn, NotAnEnd, Malformed, NoTile, NoMatch };
int RefusalNotice(Fault fault);
const char *Describe(Fault fault);

struct Judgement {
    Judgement(Fault f) : fault(f) {}
    Judgement(const Placed &p) : placed(p) {}
    Fault fault = Fault::None;
    Placed placed;
};

class Game {
public:
    enum class End { None, Domino, Blocked };

    // The holder of 6-6 moves first; every tile is dealt, so someone holds it.
    explicit Game(const Deal &deal);
    bool operator==(const Game &) const = default;  // the same hands, chain and turn

    int mover() const { return mover_; }  // -1 once the game is over
    End end() const { return end_; }
    int tile(int seat, int slot) const;  // 0 for a played tile or a slot outside 1..7
    bool opened() const { return opened_; }
    bool occupied(int position) const;
    std::uint8_t pips(int position) const;
    int pipsLeft(int seat) const;

    // The rules and the turn: is it this seat's move, and may that tile go there?
    Judgement judge(int seat, Move move) const;
    // Every move the rules allow this seat, whether or not it is its turn, with what it does.
    QList<Placed> legalMoves(int seat) const;
    bool canMove(int seat) const;  // whether there is one
    // Plays an accepted move; the turn goes to the next seat that can move. Returns the
    // seats passed over on the way.
    QList<int> play(const Placed &move);

private:
    Judgement place(int seat, Move move) const;                                // the rules alone
    template <typename Take> bool offerLegalMoves(int seat, Take take) const;  // take(const Placed &)
    Rules::Occupied occupiedRule() const;
    int tilesLeft(int seat) const;

    Deal hands_;
    std::array<bool, Rules::RingSize + 1> occupied_{};
    std::array<std::uint8_t, Rules::RingSize + 1> pips_{};
    int mover_ = -1;
    End end_ = End::None;
    bool opened_ = false;
};

// Checks a move as the client sent it (its B, E, Z, X, Y and W messages, in order)
// from seat `seat`: it must be that seat's turn, name that seat, and be exactly the
// messages the client program sends for the move it describes.
Judgement JudgeMessages(const Game &game, int seat, const QByteArrayList &messages);
