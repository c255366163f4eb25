// The server's bytes through the client's real read path and handlers, on an offscreen
// board: the input is cut into reads at every newline (no message uses one).
#include "TestSupport.h"

#include "Methods.h"

#include <QApplication>
#include <cstddef>
#include <cstdint>

namespace {
// Notice 1 holds the board for a second and a half by design, which only slows the
// search: it becomes notice 7, also across the cut between two reads.
QList<QByteArray> readsOf(const std::uint8_t *data, std::size_t size)
{
    QList<QByteArray> reads{QByteArray()};
    char last = 0;
    for (std::size_t i = 0; i < size; ++i) {
        char c = char(data[i]);
        if (c == '\n') {
            reads.append(QByteArray());
            continue;
        }
        if (last == 'C' && c == '1')
            c = '7';
        reads.last().append(c);
        last = c;
    }
    return reads;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application and the board live until the process ends: libFuzzer ends it with
    // exit(), and Qt's teardown from the exit handlers is not something to fuzz.
    static auto *app = new QApplication(*argc, *argv);
    PrepareSuite();
    WriteDefaultConfigWith({{"Verbose=no", "Verbose=yes"}});
    Dialogs().error = [](const QString &) {};
    Dialogs().message = [](const QString &) {};
    Dialogs().confirm = [](const QString &) { return false; };
    static auto *board = new TMainBoard;
    Model().SetLocalName("Fuzz");
    (void)app;
    (void)board;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TClientConnection &connection = *Table().Connection;
    for (const QByteArray &read : readsOf(data, size))
        Attempt([&] { connection.Dispatch(read); });
    QCoreApplication::processEvents();
    if (Model().OwnSeatIndex() > 3 || connection.Dispatcher().Carried().size() > TBatchDispatcher::MaxCarry
        || Memo()->blockCount() > 11000)
        __builtin_trap();
    return 0;
}
