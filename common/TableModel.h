#pragma once
// The game as the client knows it, free of any toolkit: the own seat, the turn, the local
// hand, the other seats' face-down tiles, the ring of chain positions, the seats' names,
// addresses and scores, whose move it is, the latest move and the connection's state.
//
// The server's messages and the local player's moves change it through the operations
// below; every change is announced to the listeners, in the order it happens, and the
// board draws itself from what it is told. Seats are kept in view order (0 the local
// player, 1 Left, 2 Top, 3 Right), as the board shows them; a greeting changes the own
// seat index and with it where later messages land, never what a seat already holds.
#include "Rules.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a seat sits as the local player sees it.
enum ViewPosition { Local = 0, LeftSeat = 1, TopSeat = 2, RightSeat = 3 };

class TTableModel {
public:
    // Both pip counts of a local tile once its move was sent.
    static constexpr std::uint8_t PlayedMarker = 99;
    // The picture of a chain position: a tile half 0..6, the empty square, or the start mark.
    static constexpr char EmptySquare = '9';
    static constexpr char StartMark = 's';
    static constexpr std::size_t NameLength = 7;

    // As the player sees the connection: Offline until a connect is asked for, Connecting
    // until the server answers, Joining while the join messages go out, Connected, Failed
    // after a socket error, Lost when the server or the network ended it unasked.
    enum class Connection { Offline, Connecting, Joining, Connected, Failed, Lost };

    struct HandSlot {
        std::uint8_t Tile = 0;  // 1..28; 0 while nothing was dealt to it since the reset
        std::uint8_t FirstPips = 0, SecondPips = 0;
        bool Enabled = true;
        bool Played() const { return FirstPips == PlayedMarker; }
    };

    struct Seat {
        void SetName(std::string_view text) { Name = std::string(text.substr(0, NameLength)); }
        const std::string &GetName() const { return Name; }
        std::string Address;
        std::uint8_t Score = 0;  // as the server last reported it, modulo 256
        int Total = 0;           // the match total, from ServerKelmar's extensions
        // The other seats' face-down tiles by slot; a played one is gone until the reset.
        std::array<bool, Rules::HandSize> FaceDown{true, true, true, true, true, true, true};

    private:
        std::string Name;
    };

    struct Square {
        std::uint8_t Pips = 0;  // as the last chain picture set it; a reset keeps it
        char Picture = EmptySquare;
        bool Occupied = false;  // takes drops
        bool Latest = false;    // a half of the latest move
    };

    // What changed, told to every listener right after the change. View positions and
    // positions are in range whenever they are told.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void GameReset() {}                             // the table is at its start (a new game or a restart)
        virtual void TileDealt(int /*slot*/) {}                 // a local slot shows a tile
        virtual void ChainChanged(int /*position*/) {}          // picture, occupied or latest mark
        virtual void HandSwitched() {}                          // the turn switch flipped the local tiles
        virtual void TurnBegan() {}                             // the local player is to move
        virtual void TurnEnded() {}                             // the local player is not (told even when it was not)
        virtual void MoverShown(int /*view*/) {}                // whose move it is
        virtual void TilePlayed(int /*view*/, int /*slot*/) {}  // a seat's tile left its hand
        virtual void Greeted(char /*seatNumber*/) {}            // before the own seat index changes
        virtual void NoticeReceived(int /*number*/) {}          // 1..7
        virtual void NameReceived(int /*view*/) {}              // told for the own seat too, which keeps its name
        virtual void AddressReceived(int /*view*/) {}
        virtual void ScoreReceived(int /*view*/) {}
        virtual void ScoresComplete() {}  // the game's scores are in (after seat number 4's)
        virtual void ConnectionChanged(Connection /*state*/) {}
        // ServerKelmar's extensions, told only after the server announced them.
        virtual void ExtensionsOn() {}
        virtual void ClockStarted(int /*view*/, int /*seconds*/) {}  // 0 seconds: no deadline
        virtual void ClockStopped() {}
        virtual void ReasonReceived(int /*reason*/) {}  // a Protocol::Reason
        virtual void MoveTold(int /*view*/, int /*tile*/) {}
        virtual void PassTold(int /*view*/) {}
        virtual void EndTold(int /*ending*/, int /*view*/) {}  // a Protocol::Ending; view -1 when blocked
        virtual void MatchChanged() {}                         // totals, target or winner
        virtual void PlayerBack(int /*view*/) {}
    };
    TTableModel();

    // Listeners are told in the order they were added; a listener outlives the model or
    // takes itself off.
    void AddListener(Listener *listener);
    void RemoveListener(Listener *listener);

    // What the table holds.
    bool Extended() const { return extended_; }       // the server announced its extensions
    int ClockView() const { return clockView_; }      // whose move the clock counts, -1 when none
    int MatchTarget() const { return matchTarget_; }  // 0: single games
    int MatchWinner() const { return matchWinner_; }  // the view position that won the match, -1
    int OwnSeatIndex() const { return ownSeatIndex_; }
    bool TurnFlag() const { return turnFlag_; }
    const HandSlot &Hand(int slot) const;     // 1..7
    const Seat &SeatAt(int view) const;       // 0..3
    const Square &Chain(int position) const;  // 1..26
    bool IsOccupied(int position) const;      // false outside 1..26
    int Mover() const { return mover_; }      // the view position last told to move, -1 before
    Connection ConnectionState() const { return connection_; }
    // A connection was asked for and is expected to be up.
    bool Online() const;
    bool IsConnected() const;  // Joining or Connected
    // Online, but not connected: the watchdog's business.
    bool ExpectedButDown() const;
    int ViewOf(int seatIndex) const;   // where seat index t sits: (t - own seat index) mod 4
    int FindHandSlot(int tile) const;  // the first local slot holding a dealt tile, or 0
    bool HandEmpty() const;            // every local slot holds the played marker
    // Where the tile of a local slot would go if dropped on chain position p.
    Rules::Placement PlacementOf(int slot, int position) const;

    // The server's messages.
    void Reset();                                                   // D, and the restart after a lost connection
    void DealTile(int slot, int tile);                              // A
    void SetChainHalf(int position, int pips);                      // B; pips 0..6 or 9 (the empty square)
    void Occupy(int position);                                      // E
    void SwitchTurn();                                              // F
    void Greet(char seatNumber);                                    // H; the index changes for '1'..'4' only
    void ReceiveNotice(int number);                                 // C and I
    void ShowMover(int seatIndex);                                  // J
    void RemovePlayedTile(int seatIndex, int slot);                 // K; the own seat's is ignored
    void ReceiveName(int seatNumber, std::string_view name);        // ^@
    void ReceiveAddress(int seatNumber, std::string_view address);  // ^#
    void ReceiveScore(int seatNumber, std::uint8_t score);          // ^$

    // ServerKelmar's extensions; all but the announcement are ignored before it.
    void Announce(int version);
    void StartClock(int seatIndex, int seconds);
    void ReceiveReason(int reason);
    void ReceiveMove(int seatIndex, int tile);
    void ReceivePass(int seatIndex);
    void ReceiveEnd(int ending, int seatIndex);
    void ReceiveTotal(int seatIndex, int total);
    void ReceiveMatch(int target, int winnerSeatNumber);
    void ReceiveBack(int seatIndex);

    // The local side.
    void SetLocalName(std::string_view name);  // the connect action, as the join sends it
    void SetLocalAddress(std::string_view address);
    void PlayOwnTile(int slot);  // an accepted move was sent: the tile is played and the turn ends
    void EndTurn();
    // Told even when the state stays: every socket error is reported, with its number.
    void SetConnection(Connection state, int socketError = 0);
    int SocketError() const { return socketError_; }  // the number of the last error
    void ResetSeats();                                // names, addresses and scores emptied; the hands stay

private:
    template <typename Event> void tell(Event event);
    void clearLatest();
    void stopClock();

    std::vector<Listener *> listeners_;
    int ownSeatIndex_ = 0;
    bool turnFlag_ = false;
    std::array<HandSlot, Rules::HandSize> hand_{};
    std::array<Seat, 4> seats_{};
    std::array<Square, Rules::RingSize> chain_{};
    int mover_ = -1;
    bool moveBeingPlaced_ = false;  // a chain half came since the last K or reset
    Connection connection_ = Connection::Offline;
    int socketError_ = 0;
    bool extended_ = false;
    int clockView_ = -1;
    int matchTarget_ = 0;
    int matchWinner_ = -1;
};
