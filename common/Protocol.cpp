#include "Protocol.h"

#include "Convert.h"

#include <algorithm>
#include <array>

namespace Protocol {
namespace {
std::string letter(int position) { return std::string(1, Convert12A(static_cast<std::uint8_t>(position))); }
std::string number(int value) { return std::to_string(value); }
}  // namespace

namespace {
template <std::size_t N> int parameterCount(const std::array<OpcodeForm, N> &forms, char opcode)
{
    for (const OpcodeForm &form : forms)
        if (form.letter == opcode)
            return form.parameters;
    return -1;
}

// A number written with exactly `width` digits.
std::string digits(int value, int width)
{
    std::string text = std::to_string(value);
    return std::string(std::size_t(std::max<int>(0, width - int(text.size()))), '0') + text;
}
}  // namespace

int OpcodeParameterCount(char opcode) { return parameterCount(Opcodes, opcode); }

int ExtensionParameterCount(char opcode) { return parameterCount(Extensions, opcode); }

std::string AnnouncementMessage(int seatIndex)
{
    return PlayerDataMessage(ExtensionKind, seatIndex, ExtensionMark + number(ExtensionVersion));
}
std::string ClockMessage(int seatIndex, int seconds)
{
    return Extension::Clock + number(seatIndex) + digits(std::clamp(seconds, 0, 99999), 5);
}
std::string ReasonMessage(Reason reason) { return Extension::Reason + number(int(reason)); }
std::string MoveToldMessage(int seatIndex, int tile) { return Extension::Move + number(seatIndex) + digits(tile, 2); }
std::string PassMessage(int seatIndex) { return Extension::Pass + number(seatIndex); }
std::string EndMessage(Ending ending, int seatIndex)
{
    return Extension::End + number(int(ending)) + number(seatIndex);
}
std::string TotalMessage(int seatIndex, int total)
{
    return Extension::Total + number(seatIndex) + digits(std::clamp(total, 0, MaxTotal), 3);
}
std::string MatchMessage(int target, int winnerSeatNumber)
{
    return Extension::Match + digits(std::clamp(target, 0, MaxTotal), 3) + number(winnerSeatNumber);
}
std::string BackMessage(int seatIndex) { return Extension::Back + number(seatIndex); }

std::string_view NoticeText(int number)
{
    static constexpr std::array<std::string_view, NoticeCount> notices{
        "Tumba.....!!!!!",
        "Illegal placement",
        "Missmatch,Try for another card",
        "Get Ready, the game it's about to be started",
        "Disconnected by Server",
        " Now it's your turn",
        "Game Over...!",
    };
    return (number >= 1 && number <= NoticeCount) ? notices[static_cast<std::size_t>(number - 1)] : std::string_view();
}

std::string GreetingMessage(int seatIndex) { return Opcode::Greeting + number(seatIndex + 1); }
std::string DealMessage(int slot, int tile)
{
    return Opcode::Deal + number(slot) + number(tile / 10) + number(tile % 10);
}
std::string ChainPictureMessage(int position, int pips)
{
    return Opcode::ChainPicture + letter(position) + number(pips);
}
std::string NoticeMessage(int notice) { return Opcode::Notice + number(notice); }
std::string ResetMessage() { return std::string(1, Opcode::Reset); }
std::string OccupyMessage(int position) { return Opcode::Occupy + letter(position); }
std::string TurnSwitchMessage() { return std::string(1, Opcode::TurnSwitch); }
std::string WhoseMoveMessage(int seatIndex) { return Opcode::WhoseMove + number(seatIndex); }
std::string TilePlayedMessage(int seatIndex, int slot) { return Opcode::TilePlayed + number(seatIndex) + number(slot); }
std::string PlayerDataMessage(char kind, int seatIndex, std::string_view value)
{
    return std::string{PlayerDataLead, kind} + number(seatIndex + 1) + std::string(value);
}

const char *const *ClientMessageParameters(char kind)
{
    static const char *const letters = "abcdefghijklmnopqrstuvwxyz";
    static const char *const digits = "0123456789";
    static const char *const b[] = {letters, "0123456", nullptr};
    static const char *const e[] = {letters, nullptr};
    static const char *const z[] = {digits, nullptr};
    static const char *const x[] = {digits, digits, nullptr};
    static const char *const y[] = {"lr", digits, nullptr};
    static const char *const w[] = {"ft", digits, nullptr};
    static const char *const c[] = {"23", nullptr};
    static const char *const v[] = {nullptr};
    switch (kind) {
    case 'B': return b;
    case 'E': return e;
    case 'Z': return z;
    case 'X': return x;
    case 'Y': return y;
    case 'W': return w;
    case 'C': return c;
    case 'V': return v;
    default: return nullptr;
    }
}

std::string JoinMessage(int ownSeatIndex, std::string_view name)
{
    return "!@" + number(ownSeatIndex) + std::string(name);
}

std::string RefusalMessage(Refusal refusal) { return NoticeMessage(static_cast<int>(refusal)); }

PlacedMove MakeMove(int seat, int slot, Rules::Pips pips, int target, const Rules::Placement &placement, bool handEmpty)
{
    PlacedMove move{seat, slot, pips, target};
    move.handEmpty = handEmpty;
    if (placement.kind == Rules::Placement::Opening) {
        move.opening = true;
        move.next = 2;
        move.shown = pips.first;
    } else {
        move.next = placement.next;
        move.shown = placement.shown;
        move.side = placement.side;
    }
    return move;
}

std::vector<std::string> MoveMessages(const PlacedMove &move)
{
    const std::string a = number(move.pips.first), b = number(move.pips.second), seat = number(move.seat);
    std::vector<std::string> messages;
    messages.reserve(8);  // an opening's seven and the hand state message that follows
    if (move.opening)
        messages
            = {ChainPictureMessage(1, move.pips.second), ChainPictureMessage(2, move.pips.first), OccupyMessage(2)};
    else
        messages = {ChainPictureMessage(move.next, move.shown), OccupyMessage(move.target), OccupyMessage(move.next)};
    messages.push_back("Z" + seat);
    messages.push_back("X" + seat + number(move.slot));
    if (move.opening) {
        messages.push_back("Yr" + a);
        messages.push_back("Yl" + b);
    } else {
        messages.push_back("Y" + std::string(1, Rules::BranchLetter(move.side)) + number(move.shown));
    }
    return messages;
}

std::string HandStateMessage(int seat, bool handEmpty) { return (handEmpty ? "Wf" : "Wt") + number(seat); }

}  // namespace Protocol
