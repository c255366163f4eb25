#pragma once
// Game facts shared by the client, the server and the tools, free of any toolkit: tile
// numbers and pips, the ring's neighbours and the placement rule.
#include <cstdint>
#include <functional>
#include <optional>

namespace Rules {

constexpr int TileCount = 28;
constexpr int HandSize = 7;
constexpr int RingSize = 26;

struct Pips {
    std::uint8_t first;   // the smaller count
    std::uint8_t second;  // the larger count
};

// Tile numbers 1..28 run through 0-0, 0-1, ..., 0-6, 1-1, ..., 6-6.
std::optional<Pips> PipsOfTile(int tile);
int TileOf(int a, int b);  // either order; 0 when a pip count is outside 0..6

// Whether chain position 1..26 is occupied; the place after 26 always counts as occupied.
using Occupied = std::function<bool(int position)>;

// Where the open half of a tile dropped on occupied position p goes.
struct NextStep {
    enum Kind { Opening, Position, NoRoom } kind;
    int position = 0;  // 1..26 for Position
};
NextStep NextPosition(const Occupied &occupied, int p);

// The two branches of the chain: the left one grows down from 26, the right one up from 2.
enum class Branch { Left, Right };
char BranchLetter(Branch branch);  // 'l' or 'r', as the wire names it
// The branch a new position n belongs to: the left one when the place after it is occupied.
Branch TargetSide(const Occupied &occupied, int n);

// The outcome of dropping a tile (a <= b) on occupied position p showing `open` pips.
struct Placement {
    enum Kind { Opening, Match, NoRoom, Mismatch } kind;
    int next = 0;                 // the position the new half takes (Match)
    std::uint8_t shown = 0;       // the pips it shows (Match)
    Branch side = Branch::Right;  // the branch (Match)
};
Placement Place(const Occupied &occupied, int p, std::uint8_t open, Pips tile);

}  // namespace Rules
