#include "Table.h"

#include "Bot.h"
#include "Log.h"
#include "Player.h"
#include "Wire.h"

#include <algorithm>
#include <bit>
#include <charconv>

Table::Table(int number, const TableConfig &config, std::uint32_t seed, QObject *parent)
    : QObject(parent), number_(number), config_(config), random_(seed)
{
    for (int seat = Seats - config_.bots; seat < Seats; ++seat)
        seats_[seat].name = Bot::Name(seat);
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, &Table::fillWithBots);
    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, [this] { std::exchange(step_, {})(); });
    turnTimer_.setSingleShot(true);
    connect(&turnTimer_, &QTimer::timeout, this, &Table::turnTimeUp);
    graceTimer_.setSingleShot(true);
    connect(&graceTimer_, &QTimer::timeout, this, &Table::endHolds);
}

bool Table::open() const
{
    return !started_ && std::ranges::any_of(seats_, [](const Seat &s) { return s.name.isEmpty(); });
}

int Table::players() const
{
    return int(std::ranges::count_if(seats_, [](const Seat &s) { return s.client != nullptr; }));
}

void Table::stop()
{
    waitTimer_.stop();
    stepTimer_.stop();
    turnTimer_.stop();
    graceTimer_.stop();
}

void Table::seat(Player *client, const QByteArray &name)
{
    const int seat = int(std::ranges::find_if(seats_, [](const Seat &s) { return s.name.isEmpty(); }) - seats_.begin());
    seats_[seat] = Seat{client, name};
    connect(client, &Player::received, this, [this, client](const QByteArray &m) { receive(client, m); });
    connect(client, &Player::gone, this, [this, client](const QString &reason) { leave(client, reason); });
    log(Who{seat}, u" sits down");
    client->send(Wire::Greeting(seat));
    client->send(Wire::Announcement(seat));
    for (int other = 0; other < Seats; ++other) {
        const Seat &o = seats_[other];
        if (other == seat || o.name.isEmpty())
            continue;
        client->send(Wire::PlayerName(other, o.name));
        if (o.client) {
            client->send(Wire::PlayerAddress(other, o.client->address()));
            o.client->send(Wire::PlayerName(seat, name));
            o.client->send(Wire::PlayerAddress(seat, client->address()));
        }
    }
    if (!open())
        startGame();
    else if (players() == 1 && config_.wait.count() > 0)
        waitTimer_.start(config_.wait);
}

void Table::fillWithBots()
{
    if (started_)
        return;
    for (int seat = 0; seat < Seats; ++seat)
        if (seats_[seat].name.isEmpty()) {
            seats_[seat].name = Bot::Name(seat);
            toPlayers(Wire::PlayerName(seat, seats_[seat].name));
        }
    log(QStringLiteral("bots take the free seats"));
    startGame();
}

void Table::leave(Player *client, const QString &reason)
{
    for (Seat &s : seats_)
        if (s.held && s.held->returning == client)
            s.held->returning = nullptr;  // gone again before it took the seat back
    const int seat = seatOf(client);
    if (seat < 0)
        return;
    log(Who{seat}, u" leaves: ", reason);
    handToBot(seat, client);
}

// Frees the seat of a player who is gone: a bot takes it in a game that has started, and
// holds it for a player whose connection dropped. A table that has no player left closes,
// or waits without a step while a seat is held.
void Table::handToBot(int seat, const Player *dropped)
{
    Seat &s = seats_[seat];
    const QByteArray name = s.name;
    s = Seat{nullptr, started_ ? Bot::Name(seat) : QByteArray()};
    if (dropped && started_ && config_.rejoin.count() > 0) {
        s.held = Seat::Held{name, dropped->address(), SteadyNow() + std::chrono::milliseconds(config_.rejoin).count()};
        if (!graceTimer_.isActive())
            graceTimer_.start(config_.rejoin);
        log(u"seat ", seat + 1, u" is held for ", Escaped(name), u" for ", int(config_.rejoin.count()), u" s");
    }
    const bool held = std::ranges::any_of(seats_, [](const Seat &t) { return t.held.has_value(); });
    if (players() == 0 && !held) {
        stop();
        emit empty();
        return;
    }
    if (!started_)
        return;
    log(u"a bot takes over ", Who{seat});
    toPlayers(Wire::PlayerName(seat, s.name));
    if (game_ && game_->mover() == seat) {
        turnTimer_.stop();
        after(config_.botDelay, [this] { botMove(); });
    }
    if (players() == 0) {  // nobody to play for: the game waits for the held seat's player
        stepTimer_.stop();
        turnTimer_.stop();
    }
}

// The seats whose time has run out are the bots' for good; the timer goes on for the next.
void Table::endHolds()
{
    const qint64 now = SteadyNow();
    qint64 next = 0;
    for (int seat = 0; seat < Seats; ++seat) {
        std::optional<Seat::Held> &held = seats_[seat].held;
        if (!held || held->returning)
            continue;
        if (held->until <= now) {
            log(Escaped(held->name), u" did not come back, the bot keeps seat ", seat + 1);
            held.reset();
        } else if (next == 0 || held->until < next) {
            next = held->until;
        }
    }
    if (next > 0)
        graceTimer_.start(std::chrono::milliseconds(next - now));
    else if (players() == 0 && std::ranges::none_of(seats_, [](const Seat &t) { return t.held.has_value(); })) {
        stop();
        emit empty();
    }
}

bool Table::reclaim(Player *client, const QByteArray &name)
{
    const auto it = std::ranges::find_if(seats_, [&](const Seat &s) {
        return s.held && !s.held->returning && s.held->name == name && s.held->address == client->address()
            && s.held->until > SteadyNow();
    });
    if (it == seats_.end())
        return false;
    const int seat = int(it - seats_.begin());
    it->held->returning = client;
    connect(client, &Player::gone, this, [this, client](const QString &reason) { leave(client, reason); });
    log(Escaped(name), u" comes back for seat ", seat + 1);
    if (!game_ || game_->mover() < 0) {  // between games: it sits down with the next deal
        if (step_ && !stepTimer_.isActive())
            stepTimer_.start(config_.pause);  // the table waited for it
        return true;
    }
    takeBack(seat);
    const int mover = game_->mover();
    if (mover == seat) {  // the bot had the turn and has not moved yet
        stepTimer_.stop();
        step_ = {};
        if (config_.turnTime)
            turnTimer_.start(*config_.turnTime);
    } else if (!seats_[mover].client && !stepTimer_.isActive()) {
        after(config_.botDelay, [this] { botMove(); });
    }
    return true;
}

// Seats the players who came back; returns their seats.
QList<int> Table::takeBackReturning()
{
    QList<int> back;
    for (int seat = 0; seat < Seats; ++seat)
        if (seats_[seat].held && seats_[seat].held->returning) {
            takeBack(seat);
            back << seat;
        }
    return back;
}

// The player who came back takes its seat from the bot and learns the table as it is; the
// others see it back.
void Table::takeBack(int seat)
{
    Seat &s = seats_[seat];
    Player *client = s.held->returning;
    s = Seat{client, s.held->name};
    connect(client, &Player::received, this, [this, client](const QByteArray &m) { receive(client, m); });
    log(Who{seat}, u" takes its seat back");
    replay(seat, client);
    for (int other = 0; other < Seats; ++other)
        if (Player *o = seats_[other].client; o && other != seat) {
            o->send(Wire::Back(seat));
            o->send(Wire::PlayerName(seat, s.name));
        }
}

// The table in the game's own messages, as a client that has just sat down needs it: the
// greeting and the seats, the hand still held in its slots, the chain, the slots played,
// whose move it is, and the match totals.
void Table::replay(int seat, Player *client) const
{
    client->send(Wire::Greeting(seat));
    client->send(Wire::Announcement(seat));
    for (int other = 0; other < Seats; ++other)
        if (const Seat &o = seats_[other]; other != seat) {
            client->send(Wire::PlayerName(other, o.name));
            if (o.client)
                client->send(Wire::PlayerAddress(other, o.client->address()));
        }
    QByteArray table = Wire::Reset();
    table.reserve(256);  // a hand, a full chain and every slot played fit
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        if (const int tile = game_->tile(seat, slot))
            table += Wire::DealTile(slot, tile);
    for (int position = 1; game_->opened() && position <= Rules::RingSize; ++position)
        if (game_->occupied(position))
            table += Wire::ChainPicture(position, game_->pips(position));
    for (int position = 1; position <= Rules::RingSize; ++position)
        if (game_->occupied(position))
            table += Wire::Occupy(position);
    for (int other : {(seat + 1) % Seats, (seat + 2) % Seats, (seat + 3) % Seats, seat})  // its own last
        for (int slot = 1; slot <= Rules::HandSize; ++slot)
            if (game_->tile(other, slot) == 0)
                table += Wire::TilePlayed(other, slot);
    const int mover = game_->mover();
    table += Wire::TurnOffered(mover, moverClock(mover)) + Wire::TurnSwitch();
    if (mover == seat)
        table += Wire::TurnSwitch();
    client->send(table);
    client->send(totals(-1));
}

void Table::receive(Player *client, const QByteArray &message)
{
    const int seat = seatOf(client);
    if (seat < 0)
        return;
    if (message.startsWith('C')) {  // the client refused its own drop: it shows the notice when we return it
        client->send(message);
        return;
    }
    takeMove(seat, message);
}

void Table::takeMove(int seat, const QByteArray &message)
{
    QByteArrayList &move = seats_[seat].move;
    move.append(message);
    if (!message.startsWith('W')) {
        if (move.size() > MaxMoveMessages) {
            move.clear();
            refuse(seat, Fault::Malformed);
        }
        return;
    }
    const Judgement judgement = game_ ? JudgeMessages(*game_, seat, move) : Judgement(Fault::NoGame);
    if (judgement.fault != Fault::None) {
        seats_[seat].client->report(line(Who{seat}, u": move ", Escaped(move.join()), u" refused, ",
                                         QLatin1StringView(Describe(judgement.fault))));
        move.clear();
        return refuse(seat, judgement.fault);
    }
    move.clear();
    noteTurn(seat, false);
    play(judgement.placed);
}

void Table::refuse(int seat, Fault fault)
{
    Player *client = seats_[seat].client;
    if (seats_[seat].refusals.note(SteadyNow()))
        return close(seat,
                     QStringLiteral("had more than %1 moves refused within %2 s and is closed")
                         .arg(MaxRefusals)
                         .arg(RefusalWindow.count()));
    client->send(Wire::NoticeMessage(RefusalNotice(fault)));
    // The client ended its turn when it sent the move; switching its hand off and on
    // again gives it the turn back, since the refused move changed nothing.
    if (game_ && game_->mover() == seat)
        client->send(Wire::TurnSwitch() + Wire::TurnSwitch());
}

void Table::startGame()
{
    started_ = true;
    waitTimer_.stop();
    game_.emplace(ShuffledDeal(random_));
    ++games_;
    for (int seat = 0; seat < Seats; ++seat)
        if (Player *client = seats_[seat].client) {
            QByteArray start = Wire::Reset();
            for (int slot = 1; slot <= Rules::HandSize; ++slot)
                start += Wire::DealTile(slot, game_->tile(seat, slot));
            client->send(start + Wire::NoticeMessage(Wire::GetReady) + Wire::TurnSwitch());
        }
    log(u"game ", games_, u" starts, ", Who{game_->mover()}, u" holds 6-6");
    offerTurn();
}

void Table::offerTurn()
{
    const QList<int> back = takeBackReturning();  // their replay tells them the turn
    const int mover = game_->mover();
    Player *client = seats_[mover].client;
    const QByteArray offered = Wire::TurnOffered(mover, moverClock(mover));
    for (int seat = 0; seat < Seats; ++seat)
        if (seats_[seat].client && !back.contains(seat))
            seats_[seat].client->send(offered);
    if (client) {
        if (!back.contains(mover))
            client->send(Wire::TurnSwitch());
        if (config_.turnTime)
            turnTimer_.start(*config_.turnTime);
    } else {
        after(config_.botDelay, [this] { botMove(); });
    }
}

// The player to move let the turn time pass: a bot plays the turn for it, and once the
// player has missed three of its last six turns it is closed and a bot keeps the seat,
// so that a player who is mostly away cannot stall the other three.
void Table::turnTimeUp()
{
    const int seat = game_ ? game_->mover() : -1;
    if (seat < 0 || !seats_[seat].client)
        return;
    seats_[seat].move.clear();  // a move half sent when the time ran out is not taken later
    log(Who{seat}, u" did not move within ", QString::number(double(turnTimer_.interval()) / 1000),
        u" s, a bot plays its turn");
    noteTurn(seat, true);
    if (Player *client = seats_[seat].client) {
        client->send(Wire::ReasonTold(Wire::Reason::TimeUp));
        playFor(seat);
    }
}

void Table::noteTurn(int seat, bool missed)
{
    Seat &s = seats_[seat];
    s.turns = quint8(s.turns << 1 | int(missed));
    if (std::popcount(unsigned(s.turns) & ((1u << TurnHistory) - 1)) >= MaxMissedTurns)
        close(seat, QStringLiteral("missed %1 of its last %2 turns and is closed").arg(MaxMissedTurns).arg(TurnHistory),
              Wire::ReasonTold(Wire::Reason::SeatTaken));
}

// Closes a player's connection for good: a bot takes the seat at once.
void Table::close(int seat, const QString &why, const QByteArray &reason)
{
    Player *client = seats_[seat].client;
    log(Who{seat}, u" ", why);
    handToBot(seat);
    client->finish(reason + Wire::NoticeMessage(Wire::Disconnected));
}

void Table::botMove()
{
    const int mover = game_->mover();
    if (mover >= 0 && !seats_[mover].client)
        playFor(mover);
}

void Table::playFor(int seat)
{
    if (const auto move = Bot::Choose(*game_, seat))
        play(*move);
}

void Table::play(const Placed &move)
{
    turnTimer_.stop();
    const int tile = game_->tile(move.seat, move.slot);
    const QList<int> passed = game_->play(move);
    toPlayers(Wire::MoveRelayed(move, tile, passed));
    if (Player *client = seats_[move.seat].client)
        client->send(Wire::TurnSwitch());
    log(Who{move.seat}, u" plays ", move.pips.first, u"-", move.pips.second, u" on ", move.target,
        u", its half goes to ", move.next);
    for (int seat : passed)
        log(Who{seat}, u" cannot move and passes");
    if (game_->end() != Game::End::None)
        endGame(move.seat);
    else
        offerTurn();
}

void Table::endGame(int lastMover)
{
    const bool domino = game_->end() == Game::End::Domino;
    const QByteArray ending
        = domino ? Wire::EndTold(Wire::Ending::WentOut, lastMover) : Wire::EndTold(Wire::Ending::Blocked, 0);
    toPlayers(ending + Wire::NoticeMessage(domino ? Wire::Tumba : Wire::GameOver));
    QStringList scores;
    for (int seat = 0; seat < Seats; ++seat)
        scores << QStringLiteral("%1 %2").arg(Escaped(seats_[seat].name), QString::number(game_->pipsLeft(seat)));
    log(QStringLiteral("game %1 ends, %2; pips left: %3")
            .arg(games_)
            .arg(domino ? "a hand is empty" : "nobody can move", scores.join(", ")));
    after(config_.pause, [this] { sendScores(); });
}

void Table::sendScores()
{
    for (int seat = 0; seat < Seats; ++seat)  // seat number 4 last: the clients write the board then
        toPlayers(Wire::PlayerScore(seat, game_->pipsLeft(seat)));
    sendTotals();
    after(config_.pause, [this] { startGame(); });
    emit gameOver();
}

// Adds the game's scores to the match totals (with no match, they are the game's scores)
// and tells them; the match ends when a total reaches the target, and the lowest total
// wins it, the first in seat order of those that share it.
void Table::sendTotals()
{
    for (int seat = 0; seat < Seats; ++seat)
        totals_[seat] = game_->pipsLeft(seat) + (config_.match > 0 ? totals_[seat] : 0);
    const bool won = config_.match > 0 && std::ranges::any_of(totals_, [this](int t) { return t >= config_.match; });
    const int winner = won ? int(std::ranges::min_element(totals_) - totals_.begin()) : -1;
    toPlayers(totals(winner));
    if (!won)
        return;
    log(Who{winner}, u" wins the match to ", config_.match);
    totals_.fill(0);
}

// The match totals and the match's state, as every player gets them after a game.
QByteArray Table::totals(int winner) const
{
    QByteArray told;
    for (int seat = 0; seat < Seats; ++seat)
        told += Wire::Total(seat, totals_[seat]);
    return told + Wire::Match(config_.match, winner);
}

// The seconds a connected mover has, as the clients show them: a part of a second counts whole.
int Table::clockSeconds() const
{
    using namespace std::chrono;
    return config_.turnTime ? int(ceil<seconds>(*config_.turnTime).count()) : 0;
}

// What the mover's clock shows: the time left of a running turn, the whole turn time for
// a player whose turn begins, nothing for a bot.
int Table::moverClock(int mover) const
{
    using namespace std::chrono;
    if (!seats_[mover].client)
        return 0;
    if (turnTimer_.isActive())
        return int(ceil<seconds>(milliseconds(turnTimer_.remainingTime())).count());
    return clockSeconds();
}

void Table::toPlayers(const QByteArray &message)
{
    for (const Seat &seat : seats_)
        if (seat.client)
            seat.client->send(message);
}

void Table::after(std::chrono::milliseconds delay, std::function<void()> step)
{
    step_ = std::move(step);
    stepTimer_.start(delay);
}

int Table::seatOf(const Player *client) const
{
    const auto it = std::ranges::find_if(seats_, [client](const Seat &s) { return s.client == client; });
    return it == seats_.end() ? -1 : int(it - seats_.begin());
}

void Table::add(QString &text, int number)
{
    std::array<char, 12> digits;
    const char *const end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    text += QLatin1StringView(digits.data(), end);
}

void Table::add(QString &text, Who who) const
{
    const Seat &s = seats_[who.seat];
    text += u"seat ";
    add(text, who.seat + 1);
    text += u" (";
    AppendEscaped(text, s.name);
    if (!s.client)
        text += u", bot";
    text += u')';
}

template <typename... Parts> QString Table::line(const Parts &...parts) const
{
    QString text;
    text.reserve(128);  // more than any line but a refused move's
    text += u"table ";
    add(text, number_);
    text += u": ";
    (add(text, parts), ...);
    return text;
}

template <typename... Parts> void Table::log(const Parts &...parts) const
{
    if (lcServer().isInfoEnabled())
        WriteInfo(line(parts...));
}
