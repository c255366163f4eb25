#pragma once
// Game facts shared by the client and the server, free of any toolkit: tile numbers
// and pips, the ring's neighbours and the placement rule.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace Rules {

constexpr int TileCount = 28;
constexpr int HandSize = 7;
constexpr int RingSize = 26;
constexpr std::uint8_t Played = 99;  // pips of a played hand tile
constexpr std::uint8_t Opening = 1;  // NextPosition: nothing has been played yet
constexpr std::uint8_t NoRoom = 99;  // NextPosition: no free neighbour

struct Pips {
    std::uint8_t first;   // the smaller count
    std::uint8_t second;  // the larger count
};

// Tile numbers 1..28 run through 0-0, 0-1, ..., 0-6, 1-1, ..., 6-6.
std::optional<Pips> PipsOfTile(int tile);
int TileOf(int a, int b);  // either order; 0 when a pip count is outside 0..6

// Whether chain position 1..26 is occupied; the place after 26 always counts as occupied.
using Occupied = std::function<bool(int position)>;

// Where the open half of a tile dropped on occupied position p goes: the free
// neighbour, Opening for the first move, or NoRoom.
std::uint8_t NextPosition(const Occupied &occupied, int p);
// The branch a new position n belongs to: 'l' when the place after it is occupied.
char TargetSide(const Occupied &occupied, int n);

// The outcome of dropping a tile (a <= b) on occupied position p showing `open` pips.
struct Placement {
    enum Kind { Opening, Match, NoRoom, Mismatch } kind;
    std::uint8_t next = 0;   // the position the new half takes (Match)
    std::uint8_t shown = 0;  // the pips it shows (Match)
    char side = 'r';         // the branch (Match)
};
Placement Place(const Occupied &occupied, int p, std::uint8_t open, Pips tile);

}  // namespace Rules
