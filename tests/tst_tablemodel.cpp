// The table model alone, without a widget: the server's messages through the real batch
// walk and handlers, and what the model then holds and announces.
#include "Global.h"
#include "Protocol.h"
#include "TableModel.h"
#include "Winsock_Handling.h"

#include <QTest>

namespace {
// Every announcement as a short text, in order.
struct TRecorder : TTableModel::Listener {
    QStringList events;
    void GameReset() override { events << "reset"; }
    void TileDealt(int slot) override { events << QStringLiteral("dealt %1").arg(slot); }
    void ChainChanged(int position) override { events << QStringLiteral("chain %1").arg(position); }
    void HandSwitched() override { events << "switched"; }
    void TurnBegan() override { events << "turn"; }
    void TurnEnded() override { events << "turn over"; }
    void MoverShown(int view) override { events << QStringLiteral("mover %1").arg(view); }
    void TilePlayed(int view, int slot) override { events << QStringLiteral("played %1/%2").arg(view).arg(slot); }
    void Greeted(char seat) override { events << QStringLiteral("hello %1").arg(QLatin1Char(seat)); }
    void NoticeReceived(int number) override { events << QStringLiteral("notice %1").arg(number); }
    void NameReceived(int view) override { events << QStringLiteral("name %1").arg(view); }
    void AddressReceived(int view) override { events << QStringLiteral("address %1").arg(view); }
    void ScoreReceived(int view) override { events << QStringLiteral("score %1").arg(view); }
    void ScoresComplete() override { events << "scores"; }
    void ConnectionChanged(TTableModel::Connection) override { events << "connection"; }
    void ExtensionsOn() override { events << "extended"; }
    void ClockStarted(int view, int seconds) override
    {
        events << QStringLiteral("clock %1 %2").arg(view).arg(seconds);
    }
    void ClockStopped() override { events << "clock off"; }
    void ReasonReceived(int reason) override { events << QStringLiteral("reason %1").arg(reason); }
    void MoveTold(int view, int tile) override { events << QStringLiteral("move %1 %2").arg(view).arg(tile); }
    void PassTold(int view) override { events << QStringLiteral("pass %1").arg(view); }
    void EndTold(int ending, int view) override { events << QStringLiteral("end %1 %2").arg(ending).arg(view); }
    void MatchChanged() override { events << "match"; }
    void PlayerBack(int view) override { events << QStringLiteral("back %1").arg(view); }
};

struct TTable {
    TTableModel model;
    TRecorder recorder;
    TBatchDispatcher dispatcher;
    TTableHandlers handlers{model};
    TTable() { model.AddListener(&recorder); }

    // Each read as the socket would deliver it; the events they caused.
    QStringList read(std::initializer_list<const char *> reads)
    {
        recorder.events.clear();
        for (const char *r : reads)
            dispatcher.Dispatch(r, handlers);
        return recorder.events;
    }
};

QString name(const TTableModel &model, int view) { return QString::fromStdString(model.SeatAt(view).GetName()); }
QString text(const std::string &message) { return QString::fromStdString(message); }
}  // namespace

class TestTableModel : public QObject {
    Q_OBJECT

private slots:
    void messagesAndWhatTheyAnnounce_data()
    {
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QStringList>("events");
        const auto row
            = [](const char *tag, QStringList reads, QStringList events) { QTest::newRow(tag) << reads << events; };
        row("deal", {"A105A207"}, {"dealt 1", "dealt 2"});
        row("chain half and occupy", {"EcBc5"}, {"chain 3", "chain 3"});
        row("reset ends the turn", {"D"}, {"reset", "turn over"});
        row("first F after a reset switches off", {"DF"}, {"reset", "turn over", "chain 1", "switched"});
        row("second F begins the turn", {"DFF"},
            {"reset", "turn over", "chain 1", "switched", "chain 1", "switched", "turn"});
        row("greeting before its index", {"H3"}, {"hello 3"});
        row("notices, I is notice 5", {"C4IC7"}, {"notice 4", "notice 5", "notice 7"});
        row("mover and played tile of another seat", {"J2K23"}, {"mover 2", "played 2/3"});
        row("own tile played is ignored", {"K01"}, {});
        row("name of the own seat is told but not kept", {"^@1Me"}, {"name 0"});
        row("address of another seat", {"^#2", "^#310.0.0.3"}, {"address 1", "address 2"});
        row("scores end with seat number 4", {"^$15", "^$27", "^$37", "^$49"},
            {"score 0", "score 1", "score 2", "score 3", "scores"});
        row("out of range is ignored", {"A005A905A129B{5Ba7E{C0C8H0H5J4K41K08", "^@5Zed", "^$0", "^x1"}, {});
        row("G and lowercase do nothing", {"GGG", "abcxyz"}, {});
        row("a cut-off message is completed by the next read", {"A1", "05"}, {"dealt 1"});

        // ServerKelmar's extensions: passed over until announced, as by a client that
        // knows only the game's own messages.
        const char *extensions = "M100060N1O127P2Q11R1005S1000U2";
        row("extensions before the announcement", {extensions, "^~1kelmar", "^~0kelmar1", extensions}, {});
        row("announced", {"^~1kelmar1", extensions},
            {"extended", "clock 1 60", "reason 1", "clock off", "move 1 27", "pass 2", "end 1 1", "match", "back 2"});
        row("a cut-off extension is completed", {"^~3kelmar1", "M3", "00090"}, {"extended", "clock 3 90"});
        row("a malformed extension is passed over", {"^~1kelmar1", "M1x0060O199Q31S1005"}, {"extended"});
        row("own K without the extensions", {"DA127K01"}, {"reset", "turn over", "dealt 1"});
        row("own K with the extensions: a bot played it", {"^~1kelmar1", "DA127K01"},
            {"extended", "reset", "turn over", "dealt 1", "played 0/1", "turn over"});
    }
    void messagesAndWhatTheyAnnounce()
    {
        QFETCH(QStringList, reads);
        QFETCH(QStringList, events);
        TTable table;
        table.recorder.events.clear();
        for (const QString &r : reads)
            table.dispatcher.Dispatch(r.toLatin1(), table.handlers);
        QCOMPARE(table.recorder.events, events);
    }

    void aWholeGameAgainstTheModel()
    {
        TTable table;
        TTableModel &model = table.model;
        model.SetLocalName("Kite");
        table.read({"H2", "^@1Ann", "^@3Bob", "^@4Cy"});  // own seat index 1
        QCOMPARE(model.OwnSeatIndex(), 1);
        QCOMPARE(name(model, RightSeat), QStringLiteral("Ann"));
        QCOMPARE(name(model, LeftSeat), QStringLiteral("Bob"));
        QCOMPARE(name(model, TopSeat), QStringLiteral("Cy"));

        table.read({"DA105A209A327A412A503A620A728C4F"});
        QCOMPARE(model.Hand(3).Tile, 27);
        QCOMPARE(model.Hand(3).SecondPips, 6);
        QVERIFY(!model.TurnFlag() && !model.Hand(1).Enabled);

        table.read({"J1F"});
        QVERIFY(model.TurnFlag() && model.IsOccupied(1) && model.Mover() == Local);
        QCOMPARE(model.PlacementOf(3, 1).kind, Rules::Placement::Opening);
        model.PlayOwnTile(3);
        QVERIFY(!model.TurnFlag() && model.Hand(3).Played() && !model.HandEmpty());

        QCOMPARE(table.read({"Ba6Bb5EaEbK13FJ2", "Bz2EaEzK22"}),
                 (QStringList{"chain 1", "chain 2", "chain 1", "chain 2", "chain 1", "switched", "mover 1", "chain 1",
                              "chain 2", "chain 26", "chain 1", "chain 26", "played 1/2"}));
        QVERIFY(model.Chain(26).Latest && !model.Chain(1).Latest && !model.Chain(2).Latest);
        QVERIFY(!model.SeatAt(LeftSeat).FaceDown[1] && model.SeatAt(LeftSeat).FaceDown[0]);
        QCOMPARE(model.Chain(2).Pips, 5);
        QCOMPARE(model.PlacementOf(1, 2).kind, Rules::Placement::Mismatch);  // 0-4 on the 5
        QCOMPARE(model.PlacementOf(4, 2).kind, Rules::Placement::Match);     // 1-5 on the 5

        QCOMPARE(table.read({"C1", "^$15", "^$27", "^$37", "^$49"}).last(), QStringLiteral("scores"));
        QCOMPARE(model.SeatAt(RightSeat).Score, 5);  // seat number 1 sits on the Right of seat 2
        QCOMPARE(model.SeatAt(Local).Score, 7);

        table.read({"D"});
        QVERIFY(!model.IsOccupied(1) && !model.Chain(26).Latest && model.Hand(3).Enabled);
        QVERIFY(model.SeatAt(LeftSeat).FaceDown[1]);
        QCOMPARE(name(model, RightSeat), QStringLiteral("Ann"));  // the seats stay for the next game
    }

    void aPartlyDealtHandHoldsNoTileOfTheLastGame()
    {
        TTable table;
        TTableModel &model = table.model;
        table.read({"DA101A202A303A404A505A606A707", "DA313"});
        QCOMPARE(model.Hand(3).Tile, 13);
        for (int slot : {1, 2, 4, 5, 6, 7}) {
            QCOMPARE(model.Hand(slot).Tile, 0);
            QCOMPARE(model.Hand(slot).FirstPips, 0);
        }
        QCOMPARE(model.FindHandSlot(2), 0);  // the old game's tile is found nowhere
        QCOMPARE(model.FindHandSlot(13), 3);
    }

    void aNonDigitEndsTheReadAfterWhatCameBefore()
    {
        TTable table;
        QVERIFY_THROWS_EXCEPTION(KelmarError, table.read({"EcA1x5Ed"}));
        QVERIFY(table.model.IsOccupied(3) && !table.model.IsOccupied(4));
        // The greeting is written before its digit fails; the index stays.
        QVERIFY_THROWS_EXCEPTION(KelmarError, table.read({"Hx"}));
        QCOMPARE(table.recorder.events, QStringList{"hello x"});
        QCOMPARE(table.model.OwnSeatIndex(), 0);
        QVERIFY_THROWS_EXCEPTION(KelmarError, table.read({"^$2lots"}));
        table.read({"^$4300"});
        QCOMPARE(table.model.SeatAt(RightSeat).Score, 44);  // modulo 256
    }

    void matchTotals()
    {
        TTable table;
        TTableModel &model = table.model;
        table.read({"H3", "^~3kelmar1", "R0012R1034R2000R3099S1002"});  // own seat index 2
        QCOMPARE(model.SeatAt(TopSeat).Total, 12);                      // seat index 0 sits opposite
        QCOMPARE(model.SeatAt(RightSeat).Total, 34);
        QCOMPARE(model.SeatAt(Local).Total, 0);
        QCOMPARE(model.MatchTarget(), 100);
        QCOMPARE(model.MatchWinner(), RightSeat);  // seat number 2
        table.read({"S1000"});
        QCOMPARE(model.MatchWinner(), -1);
        model.SetConnection(TTableModel::Connection::Connecting);  // a new connection speaks none
        QVERIFY(!model.Extended());
        QCOMPARE(table.read({"S1002P1"}), QStringList());
    }

    void connectionStates()
    {
        using C = TTableModel::Connection;
        TTableModel model;
        const QList<std::tuple<C, bool, bool, bool>> states{
            // state, online, connected, expected but down
            {C::Offline, false, false, false}, {C::Connecting, true, false, true}, {C::Joining, true, true, false},
            {C::Connected, true, true, false}, {C::Failed, false, false, false},   {C::Lost, true, false, true},
        };
        for (const auto &[state, online, connected, down] : states) {
            model.SetConnection(state, 111);
            QCOMPARE(model.Online(), online);
            QCOMPARE(model.IsConnected(), connected);
            QCOMPARE(model.ExpectedButDown(), down);
            model.Reset();  // a reset keeps a connection that is up, and only that
            QCOMPARE(model.ConnectionState(), connected ? state : C::Offline);
        }
        QCOMPARE(model.SocketError(), 111);
    }

    void catalogueMatchesTheWalk()
    {
        for (const Protocol::OpcodeForm &form : Protocol::Opcodes)
            QCOMPARE(Protocol::OpcodeParameterCount(form.letter), form.parameters);
        for (char c : {'@', 'L', 'Z', 'a', '^', '\0'})
            QCOMPARE(Protocol::OpcodeParameterCount(c), -1);
        QCOMPARE(text(Protocol::DealMessage(3, 7)), QStringLiteral("A307"));
        QCOMPARE(text(Protocol::ChainPictureMessage(26, 4)), QStringLiteral("Bz4"));
        QCOMPARE(text(Protocol::PlayerDataMessage(Protocol::PlayerData::Score, 3, "12")), QStringLiteral("^$412"));
        QCOMPARE(text(Protocol::GreetingMessage(0) + Protocol::WhoseMoveMessage(3) + Protocol::TilePlayedMessage(2, 7)),
                 QStringLiteral("H1J3K27"));
    }
};

QTEST_APPLESS_MAIN(TestTableModel)
#include "tst_tablemodel.moc"
