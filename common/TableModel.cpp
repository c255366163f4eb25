#include "TableModel.h"

#include <algorithm>
#include <utility>

namespace {
bool inRange(int value, int low, int high) { return value >= low && value <= high; }
std::size_t at(int oneBased) { return static_cast<std::size_t>(oneBased - 1); }
}  // namespace

template <typename Event> void TTableModel::tell(Event event)
{
    // A listener may add or take off listeners while it is told; the others are told as
    // they stood when the change happened.
    const std::vector<Listener *> listeners = listeners_;
    for (Listener *listener : listeners)
        event(*listener);
}

TTableModel::TTableModel() { chain_[0].Picture = StartMark; }

void TTableModel::AddListener(Listener *listener) { listeners_.push_back(listener); }

void TTableModel::RemoveListener(Listener *listener) { std::erase(listeners_, listener); }

const TTableModel::HandSlot &TTableModel::Hand(int slot) const
{
    return hand_[at(std::clamp(slot, 1, Rules::HandSize))];
}

const TTableModel::Seat &TTableModel::SeatAt(int view) const { return seats_[static_cast<std::size_t>(view & 3)]; }

const TTableModel::Square &TTableModel::Chain(int position) const
{
    return chain_[at(std::clamp(position, 1, Rules::RingSize))];
}

bool TTableModel::IsOccupied(int position) const
{
    return inRange(position, 1, Rules::RingSize) && chain_[at(position)].Occupied;
}

bool TTableModel::Online() const { return connection_ != Connection::Offline && connection_ != Connection::Failed; }

bool TTableModel::IsConnected() const
{
    return connection_ == Connection::Joining || connection_ == Connection::Connected;
}

bool TTableModel::ExpectedButDown() const
{
    return connection_ == Connection::Connecting || connection_ == Connection::Lost;
}

int TTableModel::ViewOf(int seatIndex) const { return ((seatIndex - ownSeatIndex_) % 4 + 4) % 4; }

int TTableModel::FindHandSlot(int tile) const
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        if (tile != 0 && hand_[at(slot)].Tile == tile)
            return slot;
    return 0;
}

bool TTableModel::HandEmpty() const
{
    return std::all_of(hand_.begin(), hand_.end(), [](const HandSlot &slot) { return slot.Played(); });
}

Rules::Placement TTableModel::PlacementOf(int slot, int position) const
{
    const HandSlot &tile = Hand(slot);
    const Rules::Occupied occupied = [this](int p) { return IsOccupied(p); };
    return Rules::Place(occupied, position, Chain(position).Pips, {tile.FirstPips, tile.SecondPips});
}

void TTableModel::Reset()
{
    for (HandSlot &slot : hand_)
        slot = HandSlot{};
    for (Seat &seat : seats_)
        seat.FaceDown.fill(true);
    for (Square &square : chain_)
        square = Square{square.Pips};
    chain_[0].Picture = StartMark;
    moveBeingPlaced_ = false;
    turnFlag_ = false;
    if (!IsConnected())
        connection_ = Connection::Offline;
    stopClock();
    tell([](Listener &l) { l.GameReset(); });
    tell([](Listener &l) { l.TurnEnded(); });
}

void TTableModel::DealTile(int slot, int tile)
{
    if (!inRange(slot, 1, Rules::HandSize))
        return;
    HandSlot &dealt = hand_[at(slot)];
    // A number that names no tile leaves the slot's pips and picture as they were.
    if (const auto pips = Rules::PipsOfTile(tile)) {
        dealt.FirstPips = pips->first;
        dealt.SecondPips = pips->second;
        dealt.Tile = static_cast<std::uint8_t>(tile);
        tell([slot](Listener &l) { l.TileDealt(slot); });
    }
}

void TTableModel::clearLatest()
{
    for (int p = 1; p <= Rules::RingSize; ++p)
        if (std::exchange(chain_[at(p)].Latest, false))
            tell([p](Listener &l) { l.ChainChanged(p); });
}

void TTableModel::SetChainHalf(int position, int pips)
{
    // 9 is the empty square; 7 and 8 have no picture.
    if (!inRange(position, 1, Rules::RingSize) || !(inRange(pips, 0, 6) || pips == 9))
        return;
    Square &square = chain_[at(position)];
    square.Pips = static_cast<std::uint8_t>(pips);
    square.Picture = static_cast<char>('0' + pips);
    // A move's halves are marked until the next move's: its first half takes the mark off
    // the halves of the move before, and its K ends it.
    if (pips != 9) {
        if (!std::exchange(moveBeingPlaced_, true))
            clearLatest();
        square.Latest = true;
    }
    tell([position](Listener &l) { l.ChainChanged(position); });
}

void TTableModel::Occupy(int position)
{
    if (!inRange(position, 1, Rules::RingSize))
        return;
    chain_[at(position)].Occupied = true;
    tell([position](Listener &l) { l.ChainChanged(position); });
}

void TTableModel::SwitchTurn()
{
    Occupy(1);  // the start is opened; it may be already
    for (HandSlot &slot : hand_)
        if (!slot.Played())
            slot.Enabled = !slot.Enabled;
    tell([](Listener &l) { l.HandSwitched(); });
    // The hand switched on: the turn begins. Switched off, the turn flag stays as it was.
    if (std::any_of(hand_.begin(), hand_.end(), [](const HandSlot &s) { return !s.Played() && s.Enabled; })) {
        turnFlag_ = true;
        tell([](Listener &l) { l.TurnBegan(); });
    }
}

void TTableModel::Greet(char seatNumber)
{
    tell([seatNumber](Listener &l) { l.Greeted(seatNumber); });
    if (inRange(seatNumber, '1', '4'))
        ownSeatIndex_ = seatNumber - '1';
}

void TTableModel::ReceiveNotice(int number)
{
    if (inRange(number, 1, 7))
        tell([number](Listener &l) { l.NoticeReceived(number); });
}

void TTableModel::ShowMover(int seatIndex)
{
    if (!inRange(seatIndex, 0, 3))
        return;
    mover_ = ViewOf(seatIndex);
    tell([view = mover_](Listener &l) { l.MoverShown(view); });
}

void TTableModel::RemovePlayedTile(int seatIndex, int slot)
{
    if (!inRange(seatIndex, 0, 3) || !inRange(slot, 1, Rules::HandSize))
        return;
    moveBeingPlaced_ = false;
    const int view = ViewOf(seatIndex);
    if (view == 0) {
        // The own tile was marked played when its move was sent. With the extensions, a
        // tile a bot played for this player leaves the hand here.
        if (extended_ && !hand_[at(slot)].Played())
            PlayOwnTile(slot);
        return;
    }
    seats_[static_cast<std::size_t>(view)].FaceDown[at(slot)] = false;
    tell([view, slot](Listener &l) { l.TilePlayed(view, slot); });
}

void TTableModel::ReceiveName(int seatNumber, std::string_view name)
{
    if (!inRange(seatNumber, 1, 4))
        return;
    const int view = ViewOf(seatNumber - 1);
    if (view != 0)
        seats_[static_cast<std::size_t>(view)].SetName(name);
    tell([view](Listener &l) { l.NameReceived(view); });
}

void TTableModel::ReceiveAddress(int seatNumber, std::string_view address)
{
    if (!inRange(seatNumber, 1, 4))
        return;
    const int view = ViewOf(seatNumber - 1);
    if (view == 0)
        return;
    seats_[static_cast<std::size_t>(view)].Address = std::string(address);
    tell([view](Listener &l) { l.AddressReceived(view); });
}

void TTableModel::ReceiveScore(int seatNumber, std::uint8_t score)
{
    if (!inRange(seatNumber, 1, 4))
        return;
    const int view = ViewOf(seatNumber - 1);
    seats_[static_cast<std::size_t>(view)].Score = score;
    tell([view](Listener &l) { l.ScoreReceived(view); });
    if (seatNumber == 4)
        tell([](Listener &l) { l.ScoresComplete(); });
}

void TTableModel::SetLocalName(std::string_view name) { seats_[0].SetName(name); }

void TTableModel::SetLocalAddress(std::string_view address) { seats_[0].Address = std::string(address); }

void TTableModel::PlayOwnTile(int slot)
{
    if (!inRange(slot, 1, Rules::HandSize))
        return;
    HandSlot &played = hand_[at(slot)];
    played.FirstPips = played.SecondPips = PlayedMarker;
    played.Enabled = false;
    tell([slot](Listener &l) { l.TilePlayed(0, slot); });
    if (clockView_ == 0)
        stopClock();
    EndTurn();
}

void TTableModel::EndTurn()
{
    turnFlag_ = false;
    tell([](Listener &l) { l.TurnEnded(); });
}

void TTableModel::SetConnection(Connection state, int socketError)
{
    connection_ = state;
    if (state == Connection::Connecting)  // a new connection speaks no extension until told
        extended_ = false;
    if (!IsConnected())
        stopClock();
    if (state == Connection::Failed)
        socketError_ = socketError;
    tell([state](Listener &l) { l.ConnectionChanged(state); });
}

void TTableModel::stopClock()
{
    if (std::exchange(clockView_, -1) >= 0)
        tell([](Listener &l) { l.ClockStopped(); });
}

void TTableModel::Announce(int version)
{
    if (version < 1 || std::exchange(extended_, true))
        return;
    tell([](Listener &l) { l.ExtensionsOn(); });
}

void TTableModel::StartClock(int seatIndex, int seconds)
{
    if (!extended_ || !inRange(seatIndex, 0, 3) || seconds < 0)
        return;
    clockView_ = ViewOf(seatIndex);
    tell([view = clockView_, seconds](Listener &l) { l.ClockStarted(view, seconds); });
}

void TTableModel::ReceiveReason(int reason)
{
    if (extended_ && inRange(reason, 1, 2))
        tell([reason](Listener &l) { l.ReasonReceived(reason); });
}

void TTableModel::ReceiveMove(int seatIndex, int tile)
{
    if (!extended_ || !inRange(seatIndex, 0, 3) || !Rules::PipsOfTile(tile))
        return;
    const int view = ViewOf(seatIndex);
    if (view == clockView_)
        stopClock();
    tell([view, tile](Listener &l) { l.MoveTold(view, tile); });
}

void TTableModel::ReceivePass(int seatIndex)
{
    if (extended_ && inRange(seatIndex, 0, 3))
        tell([view = ViewOf(seatIndex)](Listener &l) { l.PassTold(view); });
}

void TTableModel::ReceiveEnd(int ending, int seatIndex)
{
    if (!extended_ || !inRange(ending, 1, 2) || !inRange(seatIndex, 0, 3))
        return;
    stopClock();
    const int view = ending == 1 ? ViewOf(seatIndex) : -1;
    tell([ending, view](Listener &l) { l.EndTold(ending, view); });
}

void TTableModel::ReceiveTotal(int seatIndex, int total)
{
    if (extended_ && inRange(seatIndex, 0, 3))
        seats_[static_cast<std::size_t>(ViewOf(seatIndex))].Total = total;
}

void TTableModel::ReceiveMatch(int target, int winnerSeatNumber)
{
    if (!extended_ || !inRange(winnerSeatNumber, 0, 4))
        return;
    matchTarget_ = target;
    matchWinner_ = winnerSeatNumber == 0 ? -1 : ViewOf(winnerSeatNumber - 1);
    tell([](Listener &l) { l.MatchChanged(); });
}

void TTableModel::ReceiveBack(int seatIndex)
{
    if (extended_ && inRange(seatIndex, 0, 3))
        tell([view = ViewOf(seatIndex)](Listener &l) { l.PlayerBack(view); });
}

void TTableModel::ResetSeats()
{
    for (Seat &seat : seats_) {
        seat.SetName({});
        seat.Address.clear();
        seat.Score = 0;
        seat.Total = 0;
    }
}
