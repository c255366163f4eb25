// The client's byte stream taken apart, the names it may join with, the log's escaping of
// client bytes, and the pacing of what goes out.
#include "ClientStream.h"
#include "Log.h"
#include "Outbox.h"

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
    void playerDataTravelsAlone();
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
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        ClientStream parser;
        QByteArrayList out = parser.feed(stream.left(cut)).messages;
        out += parser.feed(stream.mid(cut)).messages;
        QCOMPARE(out, messages);
    }
    ClientStream byteByByte;
    QByteArrayList out;
    for (char c : stream)
        out += byteByByte.feed(QByteArray(1, c)).messages;
    QCOMPARE(out, messages);
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

QTEST_GUILESS_MAIN(TestServerStream)
#include "tst_server_stream.moc"
