#include "Wire.h"

namespace Wire {
namespace {
QByteArray bytes(const std::string &message) { return QByteArray::fromStdString(message); }
}  // namespace

QByteArray Greeting(int seat) { return bytes(Protocol::GreetingMessage(seat)); }
QByteArray DealTile(int slot, int tile) { return bytes(Protocol::DealMessage(slot, tile)); }
QByteArray NoticeMessage(int notice) { return bytes(Protocol::NoticeMessage(notice)); }
QByteArray ChainPicture(int position, int pips) { return bytes(Protocol::ChainPictureMessage(position, pips)); }
QByteArray Occupy(int position) { return bytes(Protocol::OccupyMessage(position)); }
QByteArray Reset() { return bytes(Protocol::ResetMessage()); }
QByteArray TurnSwitch() { return bytes(Protocol::TurnSwitchMessage()); }
QByteArray WhoseMove(int seat) { return bytes(Protocol::WhoseMoveMessage(seat)); }
QByteArray TilePlayed(int seat, int slot) { return bytes(Protocol::TilePlayedMessage(seat, slot)); }
QByteArray PlayerName(int seat, const QByteArray &name)
{
    return bytes(Protocol::PlayerDataMessage(Protocol::PlayerData::Name, seat, name.toStdString()));
}
QByteArray PlayerAddress(int seat, const QByteArray &address)
{
    return bytes(Protocol::PlayerDataMessage(Protocol::PlayerData::Address, seat, address.toStdString()));
}
QByteArray PlayerScore(int seat, int score)
{
    return bytes(Protocol::PlayerDataMessage(Protocol::PlayerData::Score, seat, std::to_string(score)));
}

QByteArray Announcement(int seat) { return bytes(Protocol::AnnouncementMessage(seat)); }
QByteArray Clock(int seat, int seconds) { return bytes(Protocol::ClockMessage(seat, seconds)); }
QByteArray ReasonTold(Reason reason) { return bytes(Protocol::ReasonMessage(reason)); }
QByteArray MoveTold(int seat, int tile) { return bytes(Protocol::MoveToldMessage(seat, tile)); }
QByteArray Pass(int seat) { return bytes(Protocol::PassMessage(seat)); }
QByteArray EndTold(Ending ending, int seat) { return bytes(Protocol::EndMessage(ending, seat)); }
QByteArray Total(int seat, int total) { return bytes(Protocol::TotalMessage(seat, total)); }
QByteArray Match(int target, int winnerSeat) { return bytes(Protocol::MatchMessage(target, winnerSeat + 1)); }
QByteArray Back(int seat) { return bytes(Protocol::BackMessage(seat)); }

QByteArray ChainUpdates(const Placed &move)
{
    using namespace Protocol;
    if (move.opening)  // position a takes the larger half, b the smaller; both become occupied
        return bytes(ChainPictureMessage(1, move.pips.second) + ChainPictureMessage(2, move.pips.first)
                     + OccupyMessage(1) + OccupyMessage(2));
    return bytes(ChainPictureMessage(move.next, move.shown) + OccupyMessage(move.target) + OccupyMessage(move.next));
}

QByteArrayList ClientMove(const Placed &move)
{
    QByteArrayList messages;
    for (const std::string &m : Protocol::MoveMessages(move))
        messages << bytes(m);
    return messages << bytes(Protocol::HandStateMessage(move.seat, move.handEmpty));
}

}  // namespace Wire
