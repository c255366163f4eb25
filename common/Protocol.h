#pragma once
// The one catalogue of the wire protocol, free of any toolkit, that the client, the
// server, the tests and the fuzzers share: the server's opcodes with their parameter
// counts, the player data kinds, the notices, the encoders of every message the server
// sends, and the forms of the client's messages with the one encoder of a move, which the
// client sends and the server checks received moves against. docs/protocol.md describes
// the same in words.
#include "Rules.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Protocol {

constexpr std::uint16_t ServerPort = 18113;

// The server's opcodes: one letter and a fixed number of parameter characters.
namespace Opcode {
constexpr char Deal = 'A';          // hand slot, tile number (two digits)
constexpr char ChainPicture = 'B';  // position letter, pips
constexpr char Notice = 'C';        // notice number
constexpr char Reset = 'D';
constexpr char Occupy = 'E';  // position letter
constexpr char TurnSwitch = 'F';
constexpr char Nothing = 'G';
constexpr char Greeting = 'H';    // seat number
constexpr char Disconnect = 'I';  // shows notice 5
constexpr char WhoseMove = 'J';   // seat index
constexpr char TilePlayed = 'K';  // seat index, hand slot
}  // namespace Opcode

struct OpcodeForm {
    char letter;
    int parameters;
};
inline constexpr std::array<OpcodeForm, 11> Opcodes{{{Opcode::Deal, 3},
                                                     {Opcode::ChainPicture, 2},
                                                     {Opcode::Notice, 1},
                                                     {Opcode::Reset, 0},
                                                     {Opcode::Occupy, 1},
                                                     {Opcode::TurnSwitch, 0},
                                                     {Opcode::Nothing, 0},
                                                     {Opcode::Greeting, 1},
                                                     {Opcode::Disconnect, 0},
                                                     {Opcode::WhoseMove, 1},
                                                     {Opcode::TilePlayed, 2}}};

// How many parameter characters follow an opcode A..K of the server; -1 for any other
// character.
int OpcodeParameterCount(char opcode);

// A read that begins with this character is one player data message: the kind, a seat
// number and the value, which is the rest of the read.
constexpr char PlayerDataLead = '^';
namespace PlayerData {
constexpr char Name = '@';
constexpr char Address = '#';
constexpr char Score = '$';
}  // namespace PlayerData

enum Notice {
    Tumba = 1,             // a hand is empty
    IllegalPlacement = 2,  // a refused move: wrong time, wrong place or wrong form
    Mismatch = 3,          // a refused move: that tile does not fit there
    GetReady = 4,
    Disconnected = 5,
    YourTurn = 6,  // also the client's own turn notice
    GameOver = 7,  // nobody can move
};
constexpr int NoticeCount = 7;
// The text of notice 1..7; empty for any other number.
std::string_view NoticeText(int number);

// The server's messages.
std::string GreetingMessage(int seatIndex);               // H, seat number
std::string DealMessage(int slot, int tile);              // A, slot, tile as two digits
std::string ChainPictureMessage(int position, int pips);  // B, position letter, pips
std::string NoticeMessage(int notice);                    // C, notice number
std::string ResetMessage();                               // D
std::string OccupyMessage(int position);                  // E, position letter
std::string TurnSwitchMessage();                          // F
std::string WhoseMoveMessage(int seatIndex);              // J, seat index
std::string TilePlayedMessage(int seatIndex, int slot);   // K, seat index, slot
// ^, kind, seat number, value.
std::string PlayerDataMessage(char kind, int seatIndex, std::string_view value);

// ServerKelmar's extensions, in forms a client that knows only the messages above passes
// over. The announcement is a player data message of a kind such a client ignores,
// "^~" + the receiver's seat number + "kelmar" + the version; only after it does the
// client act on the extension opcodes, each an uppercase letter from M on with a fixed
// number of digits.
constexpr char ExtensionKind = '~';
inline constexpr char ExtensionMark[] = "kelmar";
constexpr int ExtensionVersion = 1;
namespace Extension {
constexpr char Clock = 'M';   // seat index, seconds for the move (five digits, 0 = no deadline)
constexpr char Reason = 'N';  // a Reason, to the player concerned
constexpr char Move = 'O';    // seat index, tile number (two digits): the seat plays that tile
constexpr char Pass = 'P';    // seat index: the seat cannot move and passes
constexpr char End = 'Q';     // an Ending, seat index of the one who went out (0 when blocked)
constexpr char Total = 'R';   // seat index, match total (three digits)
constexpr char Match = 'S';   // target (three digits, 0 = no match), seat number of the winner or 0
constexpr char Back = 'U';    // seat index: the player who had dropped took the seat back
}  // namespace Extension
inline constexpr std::array<OpcodeForm, 8> Extensions{{{Extension::Clock, 6},
                                                       {Extension::Reason, 1},
                                                       {Extension::Move, 3},
                                                       {Extension::Pass, 1},
                                                       {Extension::End, 2},
                                                       {Extension::Total, 4},
                                                       {Extension::Match, 4},
                                                       {Extension::Back, 1}}};
// How many digits follow an extension opcode; -1 for any other character.
int ExtensionParameterCount(char opcode);
enum class Reason { TimeUp = 1, SeatTaken = 2 };  // a bot played this turn; a bot keeps the seat
enum class Ending { WentOut = 1, Blocked = 2 };
constexpr int MaxTotal = 999;

std::string AnnouncementMessage(int seatIndex);
std::string ClockMessage(int seatIndex, int seconds);
std::string ReasonMessage(Reason reason);
std::string MoveToldMessage(int seatIndex, int tile);
std::string PassMessage(int seatIndex);
std::string EndMessage(Ending ending, int seatIndex);
std::string TotalMessage(int seatIndex, int total);
std::string MatchMessage(int target, int winnerSeatNumber);
std::string BackMessage(int seatIndex);

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
