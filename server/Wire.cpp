#include "Wire.h"

#include <algorithm>
#include <initializer_list>
#include <numeric>

namespace Wire {
namespace {
QByteArray bytes(const std::string &message) { return QByteArray::fromStdString(message); }

// The messages one after another in one array, allocated once.
template <typename Messages> QByteArray joined(const Messages &messages)
{
    QByteArray all;
    all.reserve(std::accumulate(messages.begin(), messages.end(), qsizetype(0),
                                [](qsizetype size, std::string_view m) { return size + qsizetype(m.size()); }));
    for (const std::string_view m : messages)
        all.append(m.data(), qsizetype(m.size()));
    return all;
}
QByteArray joined(std::initializer_list<std::string_view> messages) { return joined<>(messages); }

std::string chainUpdates(const Placed &move)
{
    using namespace Protocol;
    if (move.opening)  // position a takes the larger half, b the smaller; both become occupied
        return ChainPictureMessage(1, move.pips.second) + ChainPictureMessage(2, move.pips.first) + OccupyMessage(1)
            + OccupyMessage(2);
    return ChainPictureMessage(move.next, move.shown) + OccupyMessage(move.target) + OccupyMessage(move.next);
}
}  // namespace

QByteArray Greeting(int seat) { return bytes(Protocol::GreetingMessage(seat)); }
QByteArray DealTile(int slot, int tile) { return bytes(Protocol::DealMessage(slot, tile)); }
QByteArray NoticeMessage(int notice) { return bytes(Protocol::NoticeMessage(notice)); }
QByteArray ChainPicture(int position, int pips) { return bytes(Protocol::ChainPictureMessage(position, pips)); }
QByteArray Occupy(int position) { return bytes(Protocol::OccupyMessage(position)); }
// The two messages without a parameter are built once; each copy shares them.
QByteArray Reset()
{
    static const QByteArray message = bytes(Protocol::ResetMessage());
    return message;
}
QByteArray TurnSwitch()
{
    static const QByteArray message = bytes(Protocol::TurnSwitchMessage());
    return message;
}
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

QByteArray TurnOffered(int seat, int seconds)
{
    return joined({Protocol::WhoseMoveMessage(seat), Protocol::ClockMessage(seat, seconds)});
}

QByteArray ChainUpdates(const Placed &move) { return bytes(chainUpdates(move)); }

QByteArray MoveRelayed(const Placed &move, int tile, const QList<int> &passed)
{
    std::string passes;
    for (const int seat : passed)
        passes += Protocol::PassMessage(seat);
    return joined({Protocol::MoveToldMessage(move.seat, tile), chainUpdates(move),
                   Protocol::TilePlayedMessage(move.seat, move.slot), passes});
}

QByteArrayList ClientMove(const Placed &move)
{
    const std::vector<std::string> moveMessages = Protocol::MoveMessages(move);
    QByteArrayList messages;
    messages.reserve(qsizetype(moveMessages.size()) + 1);
    for (const std::string &m : moveMessages)
        messages << bytes(m);
    return messages << bytes(Protocol::HandStateMessage(move.seat, move.handEmpty));
}

QByteArray ClientMoveJoined(const Placed &move)
{
    std::vector<std::string> messages = Protocol::MoveMessages(move);
    messages.push_back(Protocol::HandStateMessage(move.seat, move.handEmpty));
    return joined(messages);
}

bool IsClientMove(const QByteArrayList &messages, const Placed &move)
{
    const std::vector<std::string> moveMessages = Protocol::MoveMessages(move);
    const auto same = [](std::string_view expected, const QByteArray &m) {
        return QByteArrayView(m) == QByteArrayView(expected.data(), qsizetype(expected.size()));
    };
    return messages.size() == qsizetype(moveMessages.size()) + 1
        && std::equal(moveMessages.begin(), moveMessages.end(), messages.begin(), same)
        && same(Protocol::HandStateMessage(move.seat, move.handEmpty), messages.last());
}

}  // namespace Wire
