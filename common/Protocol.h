#pragma once
// The fixed forms of the wire protocol that client and server share, free of any
// toolkit: the parameter counts of the server's opcodes, the forms of the client's
// messages, and the one encoder of a move's messages, which the client sends and the
// server checks received moves against.
#include "Rules.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Protocol {

constexpr std::uint16_t ServerPort = 18113;

// How many parameter characters follow an opcode A..K of the server; -1 for any other
// character.
int OpcodeParameterCount(char opcode);

// The characters each parameter of a client message may take, one set per parameter
// and a null after the last; nullptr for a character that starts no client message.
const char *const *ClientMessageParameters(char kind);

// "!@<own seat index><name>", the name as the client shows it.
std::string JoinMessage(int ownSeatIndex, std::string_view name);
inline constexpr char AfterJoin[] = "V";

// A drop that the client refuses itself; the server sends the notice of that number back.
enum class Refusal { NoRoom = 2, Mismatch = 3 };
std::string RefusalMessage(Refusal refusal);

// An accepted move.
struct PlacedMove {
    int seat = 0;                               // the mover's seat index
    int slot = 0;                               // hand slot 1..7 of the tile
    Rules::Pips pips{};                         // of the tile
    int target = 0;                             // the dropped-on position
    bool opening = false;                       // position 1 shows the larger half, 2 the smaller
    int next = 0;                               // the position its open half takes
    std::uint8_t shown = 0;                     // the pips shown there
    Rules::Branch side = Rules::Branch::Right;  // the branch it grows
    bool handEmpty = false;                     // the mover has no tile left after it
};
// The move that a placement the rule accepted (Opening or Match) makes.
PlacedMove MakeMove(int seat, int slot, Rules::Pips pips, int target, const Rules::Placement &placement,
                    bool handEmpty = false);

// The messages of a move in the order the client sends them: B, E, Z, X and Y. The hand
// state message follows once the client has marked the tile played.
std::vector<std::string> MoveMessages(const PlacedMove &move);
// "Wf<seat>" when the mover's hand is now empty, "Wt<seat>" when tiles remain.
std::string HandStateMessage(int seat, bool handEmpty);

}  // namespace Protocol
