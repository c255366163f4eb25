#include "Wire.h"

#include "Convert.h"

namespace Wire {
namespace {
char digit(int value) { return static_cast<char>('0' + value); }
char letter(int position) { return Convert12A(static_cast<std::uint8_t>(position)); }
QByteArray message(std::initializer_list<char> bytes) { return QByteArray(bytes.begin(), qsizetype(bytes.size())); }
QByteArray playerData(char kind, int seat, const QByteArray &value)
{
    return message({'^', kind, digit(seat + 1)}) + value;
}
}  // namespace

QByteArray Greeting(int seat) { return message({'H', digit(seat + 1)}); }
QByteArray DealTile(int slot, int tile) { return message({'A', digit(slot), digit(tile / 10), digit(tile % 10)}); }
QByteArray NoticeMessage(int notice) { return message({'C', digit(notice)}); }
QByteArray Reset() { return QByteArrayLiteral("D"); }
QByteArray TurnSwitch() { return QByteArrayLiteral("F"); }
QByteArray WhoseMove(int seat) { return message({'J', digit(seat)}); }
QByteArray TilePlayed(int seat, int slot) { return message({'K', digit(seat), digit(slot)}); }
QByteArray PlayerName(int seat, const QByteArray &name) { return playerData('@', seat, name); }
QByteArray PlayerAddress(int seat, const QByteArray &address) { return playerData('#', seat, address); }
QByteArray PlayerScore(int seat, int score) { return playerData('$', seat, QByteArray::number(score)); }

QByteArray ChainUpdates(const Placed &move)
{
    if (move.opening)  // position a takes the larger half, b the smaller; both become occupied
        return message({'B', 'a', digit(move.pips.second), 'B', 'b', digit(move.pips.first), 'E', 'a', 'E', 'b'});
    return message({'B', letter(move.next), digit(move.shown), 'E', letter(move.target), 'E', letter(move.next)});
}

QByteArrayList ClientMove(const Placed &move)
{
    QByteArrayList messages;
    for (const std::string &m : Protocol::MoveMessages(move))
        messages << QByteArray::fromStdString(m);
    return messages << QByteArray::fromStdString(Protocol::HandStateMessage(move.seat, move.handEmpty));
}

}  // namespace Wire
