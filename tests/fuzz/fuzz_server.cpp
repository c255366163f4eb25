// The server's side of up to four clients' byte streams against a real table: each
// client's bytes go through the stream parser in reads cut where the input says, joins
// seat the players, and their moves meet the move checker of a game in play, with bots,
// refusals, turn deadlines and players who leave. Every message sent to a player must
// be well formed and every log line printable.
//
// The input is text, one step a line. The first line sets the table: its first character
// the number of bots (modulo 4), its second the deal's seed, its third the match's target
// (modulo 4: single games, 10, 25 or, as without it, 100), so that a short input can see
// a match won. Each further line starts with the client (modulo 4) and a step letter:
//   r<bytes>   the bytes arrive as one read (any letter without a meaning of its own too)
//   h<cut>     what a real client would send now (its join, its move, or another seat's
//              move out of turn), arriving in two reads cut at <cut> modulo its length
//   m<at><to>  the same bytes with the byte at <at> (modulo the length) changed to <to>
//   t          time passes: turn deadlines, bots' moves and pauses fall due
//   l          the client leaves
//   n          the client's connection ends, if it has not, and a new one from its
//              address takes its place: its join takes back a seat held for it
#include "Bot.h"
#include "ClientStream.h"
#include "EpollDispatcher.h"
#include "Log.h"
#include "Player.h"
#include "Protocol.h"
#include "Table.h"
#include "Wire.h"

#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
    std::abort();
}

bool in(char c, char low, char high) { return c >= low && c <= high; }

// Protocol::OpcodeParameterCount and ExtensionParameterCount by character, looked up
// instead of searched for each message sent.
using Counts = std::array<int, 256>;
Counts countsOf(const auto &forms)
{
    Counts counts;
    counts.fill(-1);
    for (const Protocol::OpcodeForm &form : forms)
        counts[static_cast<unsigned char>(form.letter)] = form.parameters;
    return counts;
}
const Counts opcodeParameters = countsOf(Protocol::Opcodes);
const Counts extensionParameters = countsOf(Protocol::Extensions);
int opcodeParameterCount(char c) { return opcodeParameters[static_cast<unsigned char>(c)]; }
int extensionParameterCount(char c) { return extensionParameters[static_cast<unsigned char>(c)]; }

// A tile number of two digits, 01 to 28.
bool validTile(const char *t)
{
    return in(t[0], '0', '2') && in(t[1], '0', '9') && (t[0] - '0') * 10 + t[1] - '0' >= 1
        && (t[0] - '0') * 10 + t[1] - '0' <= Rules::TileCount;
}

// An extension message: digits only, each in range.
bool validExtension(const char *m)
{
    const int count = extensionParameterCount(m[0]);
    if (!std::all_of(m + 1, m + 1 + count, [](char c) { return in(c, '0', '9'); }))
        return false;
    switch (m[0]) {
    case 'N': return in(m[1], '1', '2');
    case 'O': return in(m[1], '0', '3') && validTile(m + 2);
    case 'Q': return (m[1] == '1' && in(m[2], '0', '3')) || (m[1] == '2' && m[2] == '0');
    case 'S': return in(m[4], '0', '4');
    default: return in(m[1], '0', '3');  // M, P, R, U: a seat index first
    }
}

// One opcode message of the server with its parameters in range.
bool validOpcode(const char *m)
{
    if (extensionParameterCount(m[0]) >= 0)
        return validExtension(m);
    switch (m[0]) {
    case 'A': return in(m[1], '1', '7') && validTile(m + 2);
    case 'B': return in(m[1], 'a', 'z') && in(m[2], '0', '6');
    case 'C': return in(m[1], '1', '7');
    case 'E': return in(m[1], 'a', 'z');
    case 'H': return in(m[1], '1', '4');
    case 'J': return in(m[1], '0', '3');
    case 'K': return in(m[1], '0', '3') && in(m[2], '1', '7');
    default: return m[0] == 'D' || m[0] == 'F';
    }
}

// Everything the table hands to one send: a player data message alone, or opcode messages.
void checkSent(const QByteArray &bytes)
{
    if (bytes.startsWith('^')) {
        if (const std::string announcement = Protocol::AnnouncementMessage(bytes[2] - '1');
            QByteArrayView(bytes) == QByteArrayView(announcement.data(), qsizetype(announcement.size())))
            return;
        const bool valid = bytes.size() >= 3 && QByteArrayLiteral("@#$").contains(bytes[1]) && in(bytes[2], '1', '4')
            && std::ranges::all_of(QByteArrayView(bytes).sliced(3), PrintableLatin1);
        if (!valid)
            fail("bad player data message", Escaped(bytes));
        return;
    }
    for (qsizetype at = 0; at < bytes.size();) {
        const int parameters = std::max(opcodeParameterCount(bytes[at]), extensionParameterCount(bytes[at]));
        if (parameters < 0 || at + parameters >= bytes.size() || !validOpcode(bytes.constData() + at))
            fail("bad message", Escaped(bytes));
        at += parameters + 1;
    }
}

void checkLogLine(QtMsgType, const QMessageLogContext &, const QString &line)
{
    for (const QChar c : line)
        if (const char16_t u = c.unicode(); u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            fail("unescaped byte in the log", Escaped(line.toUtf8()));
}

class FuzzPlayer : public Player {
public:
    explicit FuzzPlayer(int index)
        : index(index), address_("192.0.2." + QByteArray::number(index + 1)),
          label_(QStringLiteral("player %1").arg(index + 1))
    {
    }
    QByteArray address() const override { return address_; }
    QString label() const override { return label_; }
    void send(const QByteArray &message) override
    {
        checkSent(message);
        if (message.startsWith('H'))
            seat = message[1] - '1';
    }
    void finish(const QByteArray &last) override
    {
        if (!last.isEmpty())
            send(last);
        closed = true;
    }
    // As a connection does once it is closed, by either side.
    void end()
    {
        closed = true;
        if (!ended) {
            ended = true;
            emit gone(QStringLiteral("left"));
        }
    }

    const int index;
    ClientStream stream;
    int seat = -1;  // from the greeting
    bool closed = false;
    bool ended = false;  // gone was emitted

private:
    const QByteArray address_;
    const QString label_;
};

class Harness {
public:
    Harness(int bots, std::uint32_t seed, int match)
        : table_(1, TableConfig{.bots = bots, .botDelay{0}, .pause{0}, .turnTime{0}, .match = match}, seed)
    {
        for (int i = 0; i < Seats; ++i)
            players_[i] = std::make_unique<FuzzPlayer>(i);
    }

    // line: not empty, and it stays in place for the step (the bytes are not copied)
    void step(QByteArrayView line)
    {
        const int index = static_cast<unsigned char>(line[0]) % Seats;
        FuzzPlayer &player = *players_[index];
        const char kind = line.size() > 1 ? line[1] : 'r';
        const QByteArray arg = QByteArray::fromRawData(line.data() + std::min<qsizetype>(2, line.size()),
                                                       std::max<qsizetype>(0, line.size() - 2));
        switch (kind) {
        case 't': QCoreApplication::processEvents(); break;
        case 'l': player.end(); break;
        case 'n':
            player.end();
            players_[index] = std::make_unique<FuzzPlayer>(index);  // the table lets go of the old one with it
            break;
        case 'h':
        case 'm': {
            QByteArray bytes = honest(player);
            const auto pick = [&](int i) { return arg.size() > i ? static_cast<unsigned char>(arg[i]) : 0; };
            if (kind == 'm')
                bytes[pick(0) % bytes.size()] = char(pick(1));
            const qsizetype cut = pick(0) % (bytes.size() + 1);
            feed(player, QByteArray::fromRawData(bytes.constData(), cut));
            feed(player, QByteArray::fromRawData(bytes.constData() + cut, bytes.size() - cut));
            break;
        }
        default: feed(player, arg);
        }
    }

private:
    // What the client program would send now: its join, its move when it is to move,
    // or else the mover's move as if it were its own.
    QByteArray honest(const FuzzPlayer &player)
    {
        if (!player.stream.joined())
            return "!@0Pl" + QByteArray(1, char('a' + player.index)) + "V";
        const std::optional<Game> &game = table_.game();
        if (!game || game->mover() < 0)
            return "C3";
        if (game != honestFor_) {  // the players' 'h' steps between two moves all send this one
            honestFor_ = game;
            const int mover = game->mover();
            const auto move = Bot::Choose(*game, mover);
            honestMove_ = move ? Wire::ClientMoveJoined(*move) : QByteArray("C2");
        }
        return honestMove_;
    }

    // As the connection and the server do: a join takes back a seat held for the player or
    // seats it, and the other messages go to the table.
    void feed(FuzzPlayer &player, const QByteArray &bytes)
    {
        if (player.closed || bytes.isEmpty())
            return;
        const ClientStream::Result result = player.stream.feed(bytes);
        for (const QByteArray &message : result.messages) {
            if (player.closed)
                return;
            if (message.startsWith('!'))
                join(player, message.mid(3));
            else
                emit player.received(message);
        }
        if (!result.fault.isEmpty())
            player.closed = true;
    }

    void join(FuzzPlayer &player, const QByteArray &name)
    {
        if (table_.reclaim(&player, name))
            return;
        if (table_.open())
            table_.seat(&player, name);
        else
            player.closed = true;  // turned away
    }

    std::array<std::unique_ptr<FuzzPlayer>, Seats> players_;  // outlive the table's connections to them
    Table table_;
    std::optional<Game> honestFor_;  // the game as it was when honestMove_ was worked out
    QByteArray honestMove_;
};
}  // namespace

// AddressSanitizer records where each block was allocated and freed, which took a sixth of
// each run here: the table allocates for every message. A finding is reproduced with the
// full record by running the target on it with ASAN_OPTIONS=malloc_context_size=30.
extern "C" const char *__asan_default_options() { return "malloc_context_size=0"; }

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    QCoreApplication::setEventDispatcher(new EpollDispatcher);  // the server's own: its timers fall due on 't'
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(checkLogLine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArrayView rest(data, qsizetype(size));
    const auto nextLine = [&rest] {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = rest.first(end < 0 ? rest.size() : end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        return line;
    };
    const QByteArrayView setup = nextLine();
    const int bots = setup.isEmpty() ? 0 : static_cast<unsigned char>(setup[0]) % Seats;
    const std::uint32_t seed = setup.size() > 1 ? static_cast<unsigned char>(setup[1]) : 0;
    static constexpr std::array<int, 4> targets{0, 10, 25, 100};
    const int match = setup.size() > 2 ? targets[static_cast<unsigned char>(setup[2]) % 4] : 100;
    Harness harness(bots, seed, match);
    while (!rest.isEmpty())
        if (const QByteArrayView line = nextLine(); !line.isEmpty())
            harness.step(line);
    return 0;
}
