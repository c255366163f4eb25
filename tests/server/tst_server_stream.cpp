// The client's byte stream taken apart, the names it may join with, the log's escaping of
// client bytes, the pacing of what goes out, the log quota and the refusal window, and
// the address groups of the limit per address.
#include "ClientStream.h"
#include "Limits.h"
#include "Log.h"
#include "Outbox.h"
#include "Protocol.h"
#include "Server.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestServerStream : public QObject {
    Q_OBJECT
private slots:
    void joinAndMovesInAnyPieces_data();
    void joinAndMovesInAnyPieces();
    void badJoins_data();
    void badJoins();
    void names_data();
    void names();
    void logEscapesEveryNonPrintableByte();
    void garbageIsSkippedAndCounted_data();
    void garbageIsSkippedAndCounted();
    void everyMessageComesOutAsSent();
    void playerDataTravelsAlone();
    void logQuota_data();
    void logQuota();
    void refusalWindow_data();
    void refusalWindow();
    void addressGroups_data();
    void addressGroups();
};

void TestServerStream::joinAndMovesInAnyPieces_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArrayList>("messages");
    QTest::newRow("join") << QByteArray("!@0KiteV") << QByteArrayList{"!@0Kite"};
    QTest::newRow("seven characters, any kind") << QByteArray("!@3V9x^ab-V") << QByteArrayList{"!@3V9x^ab-"};
    QTest::newRow("join and move") << QByteArray("!@0KiteVBd6EcEdZ2X24Yr6Wt2")
                                   << QByteArrayList{"!@0Kite", "Bd6", "Ec", "Ed", "Z2", "X24", "Yr6", "Wt2"};
    QTest::newRow("refusals, a repeated V") << QByteArray("!@1AbcVC2VC3") << QByteArrayList{"!@1Abc", "C2", "C3"};
}

// Whatever the reads, the same messages come out.
void TestServerStream::joinAndMovesInAnyPieces()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArrayList, messages);
    ClientStream byteByByte;
    QByteArrayList out;
    for (char c : stream)
        out += byteByByte.feed(QByteArray(1, c)).messages;
    QCOMPARE(out, messages);
    // Cut in two anywhere, as reads that only borrow their bytes and are scribbled over
    // once fed: nothing may be kept from them.
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        ClientStream parser;
        QByteArrayList twoReads;
        for (const QByteArray &read : {stream.left(cut), stream.mid(cut)}) {
            QByteArray scratch(read.constData(), read.size());
            twoReads += parser.feed(QByteArray::fromRawData(scratch.constData(), scratch.size())).messages;
            scratch.fill('?');
        }
        QCOMPARE(twoReads, messages);
    }
}

void TestServerStream::badJoins_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("fault");
    QTest::newRow("move instead of V") << QByteArray("!@0KiteBd6") << QByteArray("a join without \"V\"");
    QTest::newRow("capitals in the name") << QByteArray("!@0KITEV") << QByteArray("a join without \"V\"");
    QTest::newRow("eight characters") << QByteArray("!@0Abcdefgh") << QByteArray("a name longer than 7 characters");
    QTest::newRow("two characters") << QByteArray("!@0AbV") << QByteArray("a name of fewer than 3 characters");
    QTest::newRow("control character") << QByteArray("!@0\nabcV") << QByteArray("a name with a control character");
}

void TestServerStream::badJoins()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, fault);
    ClientStream parser;
    const ClientStream::Result result = parser.feed(stream);
    QCOMPARE(result.fault, fault);
    QVERIFY(result.messages.isEmpty());
    QVERIFY(!parser.joined());
    QVERIFY(parser.feed("!@0KiteV").messages.isEmpty());  // a refused stream stays refused
}

void TestServerStream::names_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("three") << QByteArray("Abc") << true;
    QTest::newRow("seven") << QByteArray("Abcdefg") << true;
    QTest::newRow("accented Latin-1") << QByteArray("\xc9lo\xefse") << true;  // Éloïse
    QTest::newRow("blank and signs") << QByteArray("J. \xb5-1") << true;
    QTest::newRow("two") << QByteArray("Ab") << false;
    QTest::newRow("eight") << QByteArray("Abcdefgh") << false;
    QTest::newRow("C0 first") << QByteArray("\tabc") << false;
    QTest::newRow("escape sequence") << QByteArray("a\x1b[?1049h") << false;
    QTest::newRow("DEL") << QByteArray("ab\x7f") << false;
    QTest::newRow("C1 first") << QByteArray("\x9b"
                                            "abc")
                              << false;
    QTest::newRow("C1 last") << QByteArray("abc\x9f") << false;
    QTest::newRow("NUL") << QByteArray("ab\0c", 4) << false;
    QTest::newRow("three blanks") << QByteArray("   ") << false;
    QTest::newRow("no-break spaces") << QByteArray("\xa0\xa0\xa0") << false;
    QTest::newRow("blank, no-break space, soft hyphen") << QByteArray(" \xa0\xad\xa0") << false;
    QTest::newRow("one visible among blanks") << QByteArray(" \xa0.\xa0") << true;
}

void TestServerStream::names()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, accepted);
    ClientStream parser;
    const ClientStream::Result result = parser.feed("!@0" + name + "V");
    QCOMPARE(parser.joined(), accepted);
    QCOMPARE(result.fault.isEmpty(), accepted);
    QCOMPARE(result.messages, accepted ? QByteArrayList{"!@0" + name} : QByteArrayList{});
}

void TestServerStream::logEscapesEveryNonPrintableByte()
{
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    for (const QChar c : Escaped(every)) {
        const char16_t u = c.unicode();
        QVERIFY2(u >= 0x20 && u != 0x7f && (u < 0x80 || u >= 0xa0), qPrintable(QString::number(u, 16)));
    }
    QCOMPARE(Escaped("Ki\x1b[?1049h\r\n"), QStringLiteral("Ki\\x1b[?1049h\\x0d\\x0a"));
    QCOMPARE(Escaped("a\\x41\x85\x7f"),
             QStringLiteral("a\\\\x41\\x85\\x7f"));  // a written \ stays apart from an escape
    QCOMPARE(Escaped("Jos\xe9 \xa0"), QStringLiteral("Jos\u00e9 \u00a0"));
}

void TestServerStream::garbageIsSkippedAndCounted_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArrayList>("messages");
    QTest::addColumn<int>("garbage");
    QTest::newRow("before the join") << QByteArray("GET / HTTP/1.1\r\n!x!@0KiteV") << QByteArrayList{"!@0Kite"} << 18;
    QTest::newRow("lowercase and unknown letters")
        << QByteArray("!@0KiteVxyQBd6") << QByteArrayList{"!@0Kite", "Bd6"} << 3;
    QTest::newRow("parameters out of range")
        << QByteArray("!@0KiteVB{6Bd7C5Yx1Wa0X2") << QByteArrayList{"!@0Kite"} << 14;  // X2 waits for its slot
    QTest::newRow("a second join") << QByteArray("!@0KiteV!@0KiteV") << QByteArrayList{"!@0Kite"} << 7;
}

void TestServerStream::garbageIsSkippedAndCounted()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArrayList, messages);
    QFETCH(int, garbage);
    ClientStream parser;
    const ClientStream::Result result = parser.feed(stream);
    QCOMPARE(result.messages, messages);
    QCOMPARE(result.garbage, garbage);
    QVERIFY(result.fault.isEmpty());
}

// Each of the few hundred messages a client can send after its join, all in one read.
void TestServerStream::everyMessageComesOutAsSent()
{
    QByteArrayList all;
    for (const char kind : QByteArrayView("BEZXYWC")) {
        QByteArrayList messages{QByteArray(1, kind)};
        for (const char *const *set = Protocol::ClientMessageParameters(kind); *set; ++set) {
            QByteArrayList longer;
            for (const QByteArray &m : std::as_const(messages))
                for (const char *c = *set; *c; ++c)
                    longer << m + *c;
            messages = longer;
        }
        all += messages;
    }
    QCOMPARE(all.size(), 26 * 7 + 26 + 10 + 100 + 2 * 10 + 2 * 10 + 2);
    ClientStream parser;
    QCOMPARE(parser.feed("!@0KiteV" + all.join()).messages, QByteArrayList{"!@0Kite"} + all);
}

void TestServerStream::playerDataTravelsAlone()
{
    using namespace std::chrono_literals;
    QElapsedTimer clock;
    QList<std::pair<QByteArray, qint64>> writes;
    Outbox outbox([&](const QByteArray &b) { writes.append({b, clock.elapsed()}); }, 40ms);
    QSignalSpy drained(&outbox, &Outbox::drained);
    clock.start();
    for (const char *m : {"H1", "^@2Ann", "^#2127.0.0.1", "D", "A101", "^$15", "F"})
        outbox.send(m);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(outbox.pending(), qsizetype(6 + 12 + 5 + 4 + 1));
    QTRY_COMPARE(writes.size(), 5);
    const QByteArrayList expected{"H1", "^@2Ann", "^#2127.0.0.1", "DA101", "^$15"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(writes[i].first, expected[i]);
        if (i > 0)
            QVERIFY2(writes[i].second - writes[i - 1].second >= 40, qPrintable(QString::number(i)));
    }
    QTRY_COMPARE(writes.size(), 6);
    QVERIFY(writes[5].second - writes[4].second >= 40);
    QCOMPARE(outbox.pending(), 0);
    QVERIFY(drained.size() >= 1);
}

using Times = QList<qint64>;

void TestServerStream::logQuota_data()
{
    // Two lines per 100 ms: for each line, whether it is written and how many lines the
    // summary before it tells.
    QTest::addColumn<Times>("times");
    QTest::addColumn<QList<bool>>("written");
    QTest::addColumn<QList<int>>("told");
    QTest::newRow("within the quota") << Times{0, 50, 100, 150} << QList<bool>{true, true, true, true}
                                      << QList<int>{0, 0, 0, 0};
    QTest::newRow("spam, then quiet") << Times{0, 1, 2, 3, 4, 250} << QList<bool>{true, true, false, false, false, true}
                                      << QList<int>{0, 0, 0, 0, 0, 3};
    QTest::newRow("one summary per interval")
        << Times{0, 1, 2, 100, 101, 102, 103, 200} << QList<bool>{true, true, false, true, true, false, false, true}
        << QList<int>{0, 0, 0, 1, 0, 0, 0, 2};
}

void TestServerStream::logQuota()
{
    QFETCH(Times, times);
    QFETCH(QList<bool>, written);
    QFETCH(QList<int>, told);
    LogQuota quota(2, std::chrono::milliseconds(100));
    for (qsizetype i = 0; i < times.size(); ++i) {
        const LogQuota::Verdict verdict = quota.take(times[i]);
        QCOMPARE(verdict.write, written[i]);
        QCOMPARE(verdict.heldBack, told[i]);
    }
    for (const qint64 later : {1000, 1001, 1002})
        quota.take(times.last() + later);
    QCOMPARE(quota.takeHeldBack(), 1);  // told when the player is gone
    QCOMPARE(quota.takeHeldBack(), 0);
}

void TestServerStream::refusalWindow_data()
{
    // Three refusals allowed within 1000 ms: the index of the first one too many, or -1.
    QTest::addColumn<Times>("times");
    QTest::addColumn<int>("tooMany");
    QTest::newRow("a burst") << Times{0, 1, 2, 3} << 3;
    QTest::newRow("a few a game") << Times{0, 600, 1200, 1800, 2400, 3000} << -1;
    QTest::newRow("steady, just slow enough") << Times{0, 334, 668, 1002, 1336} << -1;
    QTest::newRow("steady, too fast") << Times{0, 300, 600, 900} << 3;
    QTest::newRow("quiet, then a burst") << Times{0, 5000, 5001, 5002, 5003} << 4;
}

void TestServerStream::refusalWindow()
{
    QFETCH(Times, times);
    QFETCH(int, tooMany);
    RecentEvents refusals(3, std::chrono::milliseconds(1000));
    int first = -1;
    for (int i = 0; i < times.size(); ++i)
        if (refusals.note(times[i]) && first < 0)
            first = i;
    QCOMPARE(first, tooMany);
}

void TestServerStream::addressGroups_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("group");
    QTest::newRow("IPv4") << QByteArray("192.0.2.7") << QByteArray("192.0.2.7");
    QTest::newRow("IPv6") << QByteArray("2001:db8:1:2:3:4:5:6") << QByteArray("2001:db8:1:2::/64");
    QTest::newRow("IPv6, same /64") << QByteArray("2001:db8:1:2:ffff:ffff:ffff:1") << QByteArray("2001:db8:1:2::/64");
    QTest::newRow("IPv6, next /64") << QByteArray("2001:db8:1:3::1") << QByteArray("2001:db8:1:3::/64");
    QTest::newRow("loopback") << QByteArray("::1") << QByteArray("::/64");
}

void TestServerStream::addressGroups()
{
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, group);
    QCOMPARE(AddressGroup(address), group);
}

QTEST_GUILESS_MAIN(TestServerStream)
#include "tst_server_stream.moc"
