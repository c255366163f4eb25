#include "ScriptedClient.h"

#include "Convert.h"
#include "Wire.h"

#include <QHostAddress>

namespace {
bool capital(char c) { return c >= 'A' && c <= 'Z'; }

// The length of the message at `at`: an opcode (with `extensions`, an extension opcode
// too) with its parameters, or a "^" message up to the next "^", the next capital letter
// after the name's first character, or the end of the read. 0 when the read cut an
// opcode off.
qsizetype messageLength(const QByteArray &bytes, qsizetype at, bool extensions)
{
    if (bytes[at] == '^') {
        qsizetype end = std::min(bytes.size(), at + 4);
        while (end < bytes.size() && bytes[end] != '^' && !capital(bytes[end]))
            ++end;
        return end - at;
    }
    static const QByteArray counts = "32101001012";  // parameters of A..K
    const int extension = extensions ? Protocol::ExtensionParameterCount(bytes[at]) : -1;
    const qsizetype length = (bytes[at] >= 'A' && bytes[at] <= 'K') ? counts[bytes[at] - 'A'] - '0' + 1
        : extension >= 0                                            ? extension + 1
                                                                    : 1;
    return at + length <= bytes.size() ? length : 0;
}
}  // namespace

ScriptedClient::ScriptedClient(const QByteArray &name, QObject *parent) : QObject(parent), name(name)
{
    connect(&socket_, &QTcpSocket::readyRead, this, &ScriptedClient::read);
    connect(&socket_, &QTcpSocket::disconnected, this, &ScriptedClient::closed);
}

void ScriptedClient::connectTo(quint16 port, bool join, const QHostAddress &from)
{
    if (join)
        connect(&socket_, &QTcpSocket::connected, this, [this] { send("!@0" + name + "V"); });
    socket_.bind(from);
    socket_.connectToHost(QHostAddress::LocalHost, port);
}

void ScriptedClient::send(const QByteArray &bytes) { socket_.write(bytes); }

void ScriptedClient::read()
{
    const QByteArray read = socket_.readAll();
    reads.append(read);
    const QByteArray bytes = carry_ + read;
    carry_.clear();
    int messages = 0;
    for (qsizetype at = 0; at < bytes.size(); ++messages) {
        const qsizetype length = messageLength(bytes, at, knowsExtensions && announced);
        if (length == 0) {
            carry_ = bytes.mid(at);
            break;
        }
        handle(bytes.mid(at, length));
        at += length;
    }
    if (bytes.startsWith('^') && messages > 1)
        ++dataJoined;
}

void ScriptedClient::handle(const QByteArray &m)
{
    received.append(m);
    const auto digit = [&m](int i) { return m[i] - '0'; };
    switch (m[0]) {
    case 'A': hand[digit(1) - 1] = digit(2) * 10 + digit(3); break;
    case 'B':
        pips_[ConvertA21(m[1])] = std::uint8_t(digit(2));
        emit chainHalf(mover, m[1]);
        break;
    case 'C': notices.append(digit(1)); break;
    case 'D':
        occupied_.fill(false);
        on_.fill(true);
        hand.fill(0);
        turn = false;
        break;
    case 'E': occupied_[ConvertA21(m[1])] = true; break;
    case 'F': switchHand(); break;
    case 'H': seat = digit(1) - 1; break;
    case 'J': mover = digit(1); break;
    case 'K':  // the client program ignores its own seat's K; here it tells a tile a bot played for it
        if (digit(1) == seat)
            hand[digit(2) - 1] = 0;
        break;
    case '^':
        announced = announced || m == Wire::Announcement(seat);
        if (m[1] == '@')
            names[digit(2) - 1] = m.mid(3);
        if (m[1] == '$') {
            score_[digit(2) - 1] = m.mid(3).toInt();
            if (m[2] == '4') {
                scores.append(score_);
                emit gameOver();
            }
        }
        break;
    }
}

// As the client does: position 1 opens, the unplayed tiles switch, and the turn begins
// when they are on.
void ScriptedClient::switchHand()
{
    occupied_[1] = true;
    bool anyOn = false;
    for (int i = 0; i < Rules::HandSize; ++i)
        if (hand[i] != 0) {
            on_[i] = !on_[i];
            anyOn = anyOn || on_[i];
        }
    if (!anyOn)
        return;
    turn = true;
    emit turnBegins();
    if (!autoPlay)
        return;
    if (const auto move = pickMove())
        playMove(*move);
}

bool ScriptedClient::occupied(int position) const
{
    return position >= 1 && position <= Rules::RingSize && occupied_[position];
}

std::optional<Placed> ScriptedClient::pickMove() const
{
    std::optional<Placed> best;
    const auto isOccupied = [this](int p) { return occupied(p); };
    const int tilesLeft = int(std::ranges::count_if(hand, [](int t) { return t != 0; }));
    for (int target = 1; target <= Rules::RingSize; ++target)
        for (int slot = 1; slot <= Rules::HandSize; ++slot) {
            const auto pips = Rules::PipsOfTile(hand[slot - 1]);
            if (!occupied(target) || !pips)
                continue;
            const Rules::Placement placement = Rules::Place(isOccupied, target, pips_[target], *pips);
            if (placement.kind != Rules::Placement::Opening && placement.kind != Rules::Placement::Match)
                continue;
            const Placed move = Protocol::MakeMove(seat, slot, *pips, target, placement, tilesLeft == 1);
            if (!best || move.pips.first + move.pips.second > best->pips.first + best->pips.second)
                best = move;
        }
    return best;
}

void ScriptedClient::playMove(const Placed &move)
{
    for (const QByteArray &message : Wire::ClientMove(move))
        send(message);
    hand[move.slot - 1] = 0;
    turn = false;
    emit moveSent(move);
}
