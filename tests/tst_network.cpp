#include "TestSupport.h"

#include "Methods.h"
#include "Times.h"
#include "Winsock_Handling.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
TCards *hand(int slot) { return Player(Local).Tile(slot); }

QStringList memoLines() { return MemoText().split(QLatin1Char('\n')); }
}  // namespace

// Plays the server's part on 127.0.0.1:18113 against the real board.
class TestNetwork : public QObject {
    Q_OBJECT

    BoardCase fixture;
    FakeServer fake;
    QPointer<QTcpSocket> &peer = fake.peer;
    QByteArray &wire = fake.wire;  // everything the client sent
    int reads = 0;

    // Connects the client to the fake server and waits for its join; false when it fails.
    bool connectClient()
    {
        if (!fake.listen())
            return false;
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QObject::connect(Table().Connection, &TClientConnection::SliceHandled, this, [this] { ++reads; });
        const bool joined = QTest::qWaitFor([this] { return peer && wire.endsWith('V'); }, 5000);
        wire.clear();
        return joined;
    }

    // Sends bytes as one read of the client and waits until the client has handled them.
    void deliver(const QByteArray &bytes)
    {
        const int before = reads;
        peer->write(bytes);
        peer->flush();
        QTRY_VERIFY(reads > before && Table().Connection->Socket()->BytesAvailable() == 0);
    }

    void dealHand(const QList<int> &tiles)
    {
        QByteArray deal;
        for (int slot = 1; slot <= tiles.size(); ++slot)
            deal += "A" + QByteArray::number(slot) + QByteArray::number(tiles[slot - 1]).rightJustified(2, '0');
        deliver("D" + deal);
    }

    void expectWire(const QByteArray &expected)
    {
        QTRY_COMPARE(wire, expected);
        QTest::qWait(50);  // and nothing after it
        QCOMPARE(wire, expected);
        wire.clear();
    }

private slots:
    void initTestCase() { PrepareSuite(); }
    void init()
    {
        wire.clear();
        fixture.start();
        SetLocalName("Kite");
    }
    void cleanup()
    {
        fixture.end();
        fake.goAway();
    }

    // The socket's library is loaded at the first connect; without it the connect fails
    // as a socket error that names it, and the board stays usable. The first case of the
    // suite: once loaded, the library stays in the process.
    void missingNetworkLibraryFailsTheConnect()
    {
        const QString library = ExeDir() + "libkelmar-net.so";
        QVERIFY(QFile::rename(library, library + ".away"));
        const auto restore = qScopeGuard([&] { QFile::rename(library + ".away", library); });
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE(fixture.dialogs->errors.size(), 1);
        QVERIFY2(fixture.dialogs->errors[0].startsWith(
                     QStringLiteral("Asynchronous socket error 97 (the network library cannot be loaded: ")),
                 qPrintable(fixture.dialogs->errors[0]));
        QVERIFY(fixture.dialogs->errors[0].contains(library));
        QVERIFY(!Model().Online() && !Table().Connection->Socket());
        ClearMemo();
    }

    void joining()
    {
        QVERIFY(fake.listen());
        QElapsedTimer clock;
        clock.start();
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        // During the pause before "V" the board goes on; what the server sends meanwhile
        // is handled after "V", in its order.
        QTRY_COMPARE(wire, QByteArray("!@0Kite"));
        QCOMPARE(Table().StatusLabel->text(), QStringLiteral("Offline"));
        peer->write("H3");
        peer->flush();
        QTRY_VERIFY(Table().Connection->Socket()->BytesAvailable() > 0);
        QVERIFY(!MemoText().contains(QStringLiteral("Hello")));
        QTRY_VERIFY_WITH_TIMEOUT(wire == "!@0KiteV", 5000);
        QVERIFY(clock.elapsed() >= 1500);
        QTRY_COMPARE(MemoTexts().last(), QStringLiteral("Hello Kite, You are player number 3"));
        QCOMPARE(Table().StatusLabel->text(), QStringLiteral("Online"));
        QCOMPARE(LabelColor(Table().StatusLabel), NamedColor::Lime);
        QVERIFY(Table().WatchdogTimer->isActive());
        QCOMPARE(
            MemoTexts().mid(0, 5),
            (QStringList{"Connected", "      ============================================",
                         "         ==== W E L C O M E  T O  K E L M A R ====",
                         "      ============================================", "Waiting for another player to join"}));
        // After a greeting the seat index it gave is sent on the next connection.
        QCOMPARE(Model().OwnSeatIndex(), 2);
        wire.clear();
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QTRY_VERIFY_WITH_TIMEOUT(wire == "!@2KiteV", 5000);

        // Closed during the pause, the connection sends no "V" afterwards.
        wire.clear();
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE(wire, QByteArray("!@2Kite"));
        Table().Connection->Close();
        QTest::qWait(1700);
        QCOMPARE(wire, QByteArray("!@2Kite"));
    }

    void refusedConnection()
    {
        Table().ConnectButton->setEnabled(false);
        Feed("FF");  // the hand on: the turn begins
        ClearMemo();
        SetServerPortOverride(ClosedPort());
        Table().Connection->Open(QStringLiteral("127.0.0.1"));  // nobody listens
        QTRY_COMPARE(fixture.dialogs->errors.size(), 1);
        QVERIFY(fixture.dialogs->errors[0].startsWith(QStringLiteral("Asynchronous socket error 111")));
        QCOMPARE(MemoTexts().mid(0, 4),
                 (QStringList{"not connected ...", "Connection Error, ErrorCode:111",
                              "please, check your client nor server", "   configuration"}));
        QVERIFY(Table().ConnectButton->isEnabled());
        QVERIFY(!Model().Online() && !Model().TurnFlag());
        QVERIFY(!Table().WatchdogTimer->isActive());
        QCOMPARE(Table().StatusLabel->text(), QStringLiteral("Offline"));
    }

    void addressesThatAreNoIPv4FailLikeAnUnreachableHost()
    {
        for (const QString &address :
             {QStringLiteral("abc"), QStringLiteral("999.1.1.1"), QStringLiteral("127.0.0.1NINA")}) {
            fixture.dialogs->errors.clear();
            Table().Connection->Open(address);
            QTRY_COMPARE(fixture.dialogs->errors.size(), 1);
            QCOMPARE(fixture.dialogs->errors[0],
                     QStringLiteral("Asynchronous socket error 99 (the address is no "
                                    "dotted IPv4 address such as 127.0.0.1)"));
            QVERIFY(!Model().Online());
        }
    }

    void aGameAsTheServerPlaysIt()
    {
        QVERIFY(connectClient());
        deliver("H1");
        for (const char *name : {"^@1Kite", "^@2Ann", "^@3Bob", "^@4Cy"})
            deliver(name);
        QCOMPARE(Table().LeftLabel->text(), QStringLiteral("Ann"));
        QCOMPARE(Table().TopLabel->text(), QStringLiteral("Bob"));
        QCOMPARE(Table().RightLabel->text(), QStringLiteral("Cy"));
        QCOMPARE(Table().OwnNameLabel->text(), QStringLiteral("thisPlayer"));  // the own seat is skipped
        dealHand({5, 9, 27, 12, 3, 20, 28});
        QCOMPARE(Model().Hand(3).FirstPips, 5);
        QCOMPARE(Model().Hand(3).SecondPips, 6);
        deliver("C4F");
        QVERIFY(!Model().TurnFlag() && !hand(1)->isEnabled());  // the first F switches the hand off
        deliver("J0F");
        QVERIFY(Model().TurnFlag() && hand(1)->isEnabled() && Model().IsOccupied(1));
        QCOMPARE(MemoTexts().last(), QStringLiteral("Kite,  Now it's your turn"));
        QCOMPARE(LabelColor(Table().OwnNameLabel), NamedColor::Red);
        QCOMPARE(Memo()->palette().color(QPalette::Base), NamedColor::Cream);

        BoardDragDrop(ChainAt(1), hand(3));  // the opening: tile 5-6 from slot 3
        expectWire("Ba6Bb5EbZ0X03Yr5Yl6Wt0");
        QVERIFY(!Model().TurnFlag() && !hand(3)->isEnabled());
        QCOMPARE(Model().Hand(3).FirstPips, 99);
        QCOMPARE(Memo()->palette().color(QPalette::Base), NamedColor::Silver);
        QVERIFY(!Model().IsOccupied(2));  // the chain waits for the server

        deliver("Ba6Bb5EbK03FJ1");
        QCOMPARE(Model().Chain(1).Pips, 6);
        QCOMPARE(Model().Chain(2).Pips, 5);
        QVERIFY(Model().IsOccupied(2));
        QVERIFY(!hand(1)->isEnabled());
        QCOMPARE(LabelColor(Table().LeftLabel), NamedColor::Red);
        QCOMPARE(LabelColor(Table().OwnNameLabel), NamedColor::Black);
        QCOMPARE(MemoTexts().last(), QStringLiteral("Waiting for Ann to move"));
        deliver("Bz2EaEzK13");  // Ann plays 2-6 on the left end from her slot 3
        QVERIFY(Player(LeftSeat).Tile(3)->Picture().isNull());
        QVERIFY(!Player(LeftSeat).Tile(2)->Picture().isNull());

        deliver("J0F");
        BoardDragDrop(ChainAt(2), hand(1));  // 0-4 on an end showing 5
        expectWire("C3");
        QVERIFY(Model().TurnFlag() && hand(1)->isEnabled());
        BoardDragDrop(ChainAt(1), hand(2));  // 1 has both neighbours
        expectWire("C2");
        BoardDragDrop(ChainAt(2), hand(4));  // 1-5 on 2, which shows 5: 1 goes to 3
        expectWire("Bc1EbEcZ0X04Yr1Wt0");
        deliver("Bc1EbEcK04");

        // The last tile: play out the hand but slot 7, then drop 6-6 on the left end.
        for (int slot : {1, 2, 5, 6})
            Model().PlayOwnTile(slot);
        deliver("FF");
        QVERIFY(Model().TurnFlag());
        BoardDragDrop(ChainAt(26), hand(7));  // 26 shows 2: mismatch first
        expectWire("C3");
        deliver("Bz6");
        BoardDragDrop(ChainAt(26), hand(7));
        expectWire("By6EzEyZ0X07Yl6Wf0");

        deliver("C1");
        deliver("C7");
        for (const char *score : {"^$15", "^$27", "^$37", "^$49"})
            deliver(score);
        QCOMPARE(MemoTexts().mid(MemoTexts().size() - 7),
                 (QStringList{"========[ Score ]========", "Kite : 5", "Ann : 7", "Bob : 7", "Cy : 9",
                              "=========================", "Congratulation, Kite you're the winner"}));
        QVERIFY(MemoTexts().contains(QStringLiteral("Tumba.....!!!!!")));
        QVERIFY(MemoTexts().contains(QStringLiteral("Game Over...!")));
        for (const char *score : {"^$15", "^$25", "^$37", "^$49"})
            deliver(score);
        QCOMPARE(MemoTexts().last(), QStringLiteral("========================="));  // a tie: no winner
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void floodWhileAnErrorBoxIsOpen()
    {
        QVERIFY(connectClient());
        qint64 mostBuffered = 0;
        Dialogs().error = [&](const QString &) {  // the box stands while the server floods
            for (int i = 0; i < 50; ++i) {
                QTest::qWait(20);
                mostBuffered = std::max(mostBuffered, Table().Connection->Socket()->BytesAvailable());
            }
        };
        peer->write("Ax01");
        peer->write(QByteArray(32 << 20, 'G'));
        QVERIFY(QTest::qWaitFor([&] { return mostBuffered > 0; }, 10000));
        QVERIFY2(mostBuffered <= 64 * 1024, qPrintable(QString::number(mostBuffered)));
        QVERIFY(peer->bytesToWrite() > (16 << 20));  // TCP holds the rest back at the server
    }

    void largeReadsAreHandledInSlices()
    {
        WriteDefaultConfigWith({{"Verbose=no", "Verbose=yes"}});
        QVERIFY(connectClient());
        int turnsOfTheBoard = 0;  // times the event loop ran while the read was handled
        QTimer board;
        QObject::connect(&board, &QTimer::timeout, this, [&] { turnsOfTheBoard += Table().Connection->Busy(); });
        board.start(0);
        const QByteArray resets(8 * 1024, 'D');
        deliver(resets);
        QVERIFY(QTest::qWaitFor([] { return !Table().Connection->Busy(); }, 60000));
        QVERIFY(turnsOfTheBoard > 0);
        const QStringList lines = memoLines();
        QVERIFY(lines.size() <= 11000);  // the memo keeps about 10,000 lines
        QVERIFY(lines.last().endsWith(QString(200, QLatin1Char('D')) + " [... 7992 more characters]"));
        QCOMPARE(lines[lines.size() - 2].mid(lines[lines.size() - 2].indexOf(" ] : ") + 5),
                 QStringLiteral("Loading . . ."));
    }

    void namesAreShownAsText()
    {
        QVERIFY(connectClient());
        deliver("^@2<h1>big");
        QCOMPARE(Table().LeftLabel->text(), QStringLiteral("<h1>big"));
        QCOMPARE(Table().LeftLabel->textFormat(), Qt::PlainText);
        deliver(QByteArray("^@3A\x01\x7f\x85z", 8));
        QCOMPARE(Table().TopLabel->text(), QStringLiteral("A???z"));
        deliver("Bc9");  // the empty square; 7 and 8 have no picture
        QCOMPARE(Model().Chain(3).Pips, 9);
        deliver("Bc7Bc8");
        QCOMPARE(Model().Chain(3).Pips, 9);
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void inboundEdgeCases()
    {
        QVERIFY(connectClient());
        deliver("A105A207");
        QCOMPARE(Model().Hand(1).Tile, 5);
        QCOMPARE(Model().Hand(2).SecondPips, 6);
        deliver("EcBc5");
        QVERIFY(Model().IsOccupied(3));
        QCOMPARE(Model().Chain(3).Pips, 5);
        deliver("H2");    // own seat index 1
        Feed("^@1Ruth");  // seat index 0 sits on the Right
        deliver("J0");
        QCOMPARE(LabelColor(Table().RightLabel), NamedColor::Red);
        QCOMPARE(MemoTexts().last(), QStringLiteral("Waiting for Ruth to move"));
        const int lines = memoLines().size();
        deliver("J1");
        QCOMPARE(LabelColor(Table().OwnNameLabel), NamedColor::Red);
        QCOMPARE(memoLines().size(), lines);
        deliver("K31");
        QVERIFY(Player(TopSeat).Tile(1)->Picture().isNull());
        deliver("K11");
        QVERIFY(!hand(1)->Picture().isNull());
        deliver("^@3Kite^$3");
        QCOMPARE(Table().LeftLabel->text(), QStringLiteral("Kite^$3"));  // seat number 3 sits on the Left of seat 2
        deliver("^$4300");
        QCOMPARE(Model().SeatAt(TopSeat).Score, 44);
        deliver("^@2Me");
        QCOMPARE(MemoTexts().last(), QStringLiteral("Receiving Player Data . . ."));
        QCOMPARE(Table().OwnNameLabel->text(), QStringLiteral("thisPlayer"));
        deliver("H3");
        QCOMPARE(Model().OwnSeatIndex(), 2);
        QVERIFY(MemoTexts().last().endsWith(QStringLiteral("player number 3")));

        deliver("D");
        for (int slot = 1; slot <= 7; ++slot)
            Model().PlayOwnTile(slot);
        deliver("F");  // all tiles played: only the start opens
        QVERIFY(Model().IsOccupied(1) && !Model().TurnFlag());
        const QString before = MemoText();
        deliver("GGG");
        deliver("abcxyz");
        deliver(QByteArray(300, 'q'));
        QCOMPARE(MemoText(), before);
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void verboseEcho()
    {
        QVERIFY(connectClient());
        const QList<std::pair<QByteArray, bool>> settings{
            {"Verbose=no", false}, {"Verbose=Yes", false}, {"#Verbose=no", true}, {"Verbose=yes", true}};
        for (const auto &[line, echoed] : settings) {
            WriteDefaultConfigWith({{"Verbose=no", line}});
            deliver("^@2Ann");
            QCOMPARE(MemoTexts().last() == QStringLiteral("^@2Ann"), echoed);
        }
    }

    void aNonDigitEndsTheBatchWithAnError()
    {
        WriteDefaultConfigWith({{"Verbose=no", "Verbose=yes"}});
        QVERIFY(connectClient());
        const QString before = MemoText();
        deliver("EcA1x5Ed");
        QCOMPARE(fixture.dialogs->errors, QStringList{QStringLiteral("'x' is not a valid integer value")});
        QVERIFY(Model().IsOccupied(3) && !Model().IsOccupied(4));
        QCOMPARE(MemoText(), before);  // no echo either
        deliver("^$2lots");
        QCOMPARE(fixture.dialogs->errors.size(), 2);
        QVERIFY(!Guarded(
            [] { Table().Connection->Dispatch("^$1" + QByteArray(65000, '7')); }));  // a score no box could show whole
        QCOMPARE(fixture.dialogs->errors.last(), "'" + QString(199, QLatin1Char('7')) + " [... 64831 more characters]");
        QVERIFY(Table().Connection->IsConnected());
    }

    void cutOffOpcodesAndEmbeddedPlayerData()
    {
        QVERIFY(connectClient());
        deliver("A1");
        deliver("05");
        QCOMPARE(Model().Hand(1).Tile, 5);
        deliver("D^@2Kite");
        QCOMPARE(Table().LeftLabel->text(), QStringLiteral("Kite"));
        QVERIFY(MemoTexts().contains(QStringLiteral("Loading . . .")));
    }

    void outOfRangeParametersAreIgnored()
    {
        QVERIFY(connectClient());
        Feed("A105");
        const QString memo = MemoText();
        deliver("A005A905A828B{5B`5Ba7E{C0C8C9H0H5J4J9K41K08K38");
        deliver("^@5Zed");
        deliver("^$0");
        QCOMPARE(MemoText(), memo);
        QCOMPARE(Model().OwnSeatIndex(), 0);
        QCOMPARE(Model().Hand(1).Tile, 5);
        for (int p = 1; p <= 26; ++p)
            QVERIFY(!Model().IsOccupied(p));
        QCOMPARE(Model().Chain(1).Pips, 0);
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void dropsWhenItIsNotYourTurnDoNothing()
    {
        QVERIFY(connectClient());
        dealHand({5, 9, 27, 12, 3, 20, 28});
        deliver("F");
        deliver("F");
        deliver("Ba6Bb5EaEb");
        Model().EndTurn();
        BoardDragDrop(ChainAt(2), hand(1));
        BoardDragDrop(ChainAt(1), hand(3));
        QTest::qWait(50);
        QCOMPARE(wire, QByteArray());
        QCOMPARE(Model().Hand(1).FirstPips, 0);
        QVERIFY(hand(1)->isEnabled());
        // Swapping two hand tiles works at any time and sends nothing.
        const QPoint one = hand(1)->pos();
        BoardDragDrop(hand(2), hand(1));
        QCOMPARE(hand(2)->pos(), one);
        QCOMPARE(wire, QByteArray());
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
