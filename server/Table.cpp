#include "Table.h"

#include "Bot.h"
#include "Connection.h"
#include "Log.h"
#include "Wire.h"

#include <algorithm>

Table::Table(int number, const TableConfig &config, std::uint32_t seed, QObject *parent)
    : QObject(parent), number_(number), config_(config), random_(seed)
{
    for (int seat = Seats - config_.bots; seat < Seats; ++seat)
        seats_[seat].name = Bot::Name(seat);
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, &Table::fillWithBots);
    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, [this] { std::exchange(step_, {})(); });
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
}

void Table::seat(Connection *client, const QByteArray &name)
{
    const int seat = int(std::ranges::find_if(seats_, [](const Seat &s) { return s.name.isEmpty(); }) - seats_.begin());
    seats_[seat] = {client, name, {}};
    connect(client, &Connection::received, this, [this, client](const QByteArray &m) { receive(client, m); });
    connect(client, &Connection::gone, this, [this, client](const QString &reason) { leave(client, reason); });
    log(QStringLiteral("%1 sits down").arg(who(seat)));
    client->send(Wire::Greeting(seat));
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

void Table::leave(Connection *client, const QString &reason)
{
    const int seat = seatOf(client);
    if (seat < 0)
        return;
    log(QStringLiteral("%1 leaves: %2").arg(who(seat), reason));
    Seat &s = seats_[seat];
    s = {nullptr, started_ ? Bot::Name(seat) : QByteArray(), {}};
    if (players() == 0) {
        stop();
        emit empty();
        return;
    }
    if (!started_)
        return;
    log(QStringLiteral("a bot takes over %1").arg(who(seat)));
    toPlayers(Wire::PlayerName(seat, s.name));
    if (game_ && game_->mover() == seat)
        after(config_.botDelay, [this] { botMove(); });
}

void Table::receive(Connection *client, const QByteArray &message)
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
    const QByteArray text = move.join();
    move.clear();
    if (judgement.fault != Fault::None) {
        log(QStringLiteral("%1: move %2 refused, %3")
                .arg(who(seat), QString::fromLatin1(text), QLatin1String(Describe(judgement.fault))));
        return refuse(seat, judgement.fault);
    }
    play(judgement.placed);
}

void Table::refuse(int seat, Fault fault)
{
    Connection *client = seats_[seat].client;
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
        if (Connection *client = seats_[seat].client) {
            QByteArray start = Wire::Reset();
            for (int slot = 1; slot <= Rules::HandSize; ++slot)
                start += Wire::DealTile(slot, game_->tile(seat, slot));
            client->send(start + Wire::NoticeMessage(Wire::GetReady) + Wire::TurnSwitch());
        }
    log(QStringLiteral("game %1 starts, %2 holds 6-6").arg(games_).arg(who(game_->mover())));
    offerTurn();
}

void Table::offerTurn()
{
    const int mover = game_->mover();
    toPlayers(Wire::WhoseMove(mover));
    if (Connection *client = seats_[mover].client)
        client->send(Wire::TurnSwitch());
    else
        after(config_.botDelay, [this] { botMove(); });
}

void Table::botMove()
{
    const int mover = game_->mover();
    if (mover < 0 || seats_[mover].client)
        return;
    if (const auto move = Bot::Choose(*game_, mover))
        play(game_->judge(mover, *move).placed);
}

void Table::play(const Placed &move)
{
    const QList<int> passed = game_->play(move);
    toPlayers(Wire::ChainUpdates(move) + Wire::TilePlayed(move.seat, move.slot));
    if (Connection *client = seats_[move.seat].client)
        client->send(Wire::TurnSwitch());
    log(QStringLiteral("%1 plays %2-%3 on %4, its half goes to %5")
            .arg(who(move.seat))
            .arg(move.pips.first)
            .arg(move.pips.second)
            .arg(move.target)
            .arg(move.next));
    for (int seat : passed)
        log(QStringLiteral("%1 cannot move and passes").arg(who(seat)));
    if (game_->end() != Game::End::None)
        endGame();
    else
        offerTurn();
}

void Table::endGame()
{
    const bool domino = game_->end() == Game::End::Domino;
    toPlayers(Wire::NoticeMessage(domino ? Wire::Domino : Wire::GameOver));
    QStringList scores;
    for (int seat = 0; seat < Seats; ++seat)
        scores << QStringLiteral("%1 %2").arg(QString::fromLatin1(seats_[seat].name)).arg(game_->pipsLeft(seat));
    log(QStringLiteral("game %1 ends, %2; pips left: %3")
            .arg(games_)
            .arg(domino ? "a hand is empty" : "nobody can move", scores.join(", ")));
    after(config_.pause, [this] { sendScores(); });
}

void Table::sendScores()
{
    for (int seat = 0; seat < Seats; ++seat)  // seat number 4 last: the clients write the board then
        toPlayers(Wire::PlayerScore(seat, game_->pipsLeft(seat)));
    after(config_.pause, [this] { startGame(); });
    emit gameOver();
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

int Table::seatOf(const Connection *client) const
{
    const auto it = std::ranges::find_if(seats_, [client](const Seat &s) { return s.client == client; });
    return it == seats_.end() ? -1 : int(it - seats_.begin());
}

QString Table::who(int seat) const
{
    const Seat &s = seats_[seat];
    return QStringLiteral("seat %1 (%2%3)").arg(seat + 1).arg(QString::fromLatin1(s.name), s.client ? "" : ", bot");
}

void Table::log(const QString &text) const
{
    qCInfo(lcServer).noquote() << QStringLiteral("table %1: %2").arg(number_).arg(text);
}
