// The server's bytes through the batch walk and the client's handlers into a table model
// alone, with no widget and no event loop: the input is cut into reads at every newline
// (no message uses one). Every change the model announces must name a slot, a position
// and a seat that exist, and the model must stay within its ranges.
#include "Global.h"
#include "TableModel.h"
#include "Winsock_Handling.h"

#include <cstddef>
#include <cstdint>

namespace {
bool inRange(int value, int low, int high) { return value >= low && value <= high; }

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Checks what every announcement names.
struct TChecker : TTableModel::Listener {
    void TileDealt(int slot) override { check(inRange(slot, 1, Rules::HandSize)); }
    void ChainChanged(int position) override { check(inRange(position, 1, Rules::RingSize)); }
    void MoverShown(int view) override { check(inRange(view, 0, 3)); }
    void TilePlayed(int view, int slot) override { check(inRange(view, 0, 3) && inRange(slot, 1, Rules::HandSize)); }
    void NoticeReceived(int number) override { check(inRange(number, 1, 7)); }
    void NameReceived(int view) override { check(inRange(view, 0, 3)); }
    void AddressReceived(int view) override { check(inRange(view, 1, 3)); }
    void ScoreReceived(int view) override { check(inRange(view, 0, 3)); }
};

void checkModel(const TTableModel &model, const TBatchDispatcher &dispatcher)
{
    check(inRange(model.OwnSeatIndex(), 0, 3) && dispatcher.Carried().size() <= TBatchDispatcher::MaxCarry);
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        const TTableModel::HandSlot &held = model.Hand(slot);
        check(held.Tile <= Rules::TileCount && (held.FirstPips <= 6 || held.Played()));
    }
    for (int p = 1; p <= Rules::RingSize; ++p)
        check(model.Chain(p).Pips <= 6 || model.Chain(p).Pips == 9);
    for (int view = 0; view < 4; ++view)
        check(model.SeatAt(view).GetName().size() <= TTableModel::NameLength);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TTableModel model;
    TChecker checker;
    model.AddListener(&checker);
    TBatchDispatcher dispatcher;
    TTableHandlers handlers(model);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &read : input.split('\n')) {
        try {
            dispatcher.Dispatch(read, handlers);
        } catch (const KelmarError &) {  // a conversion error ends the read, as in the client
        }
    }
    checkModel(model, dispatcher);
    return 0;
}
