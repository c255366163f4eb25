#include "Lzhuf.h"
#include "LzhufSamples.h"

#include <QTest>

using Bytes = Lzhuf::Bytes;
Q_DECLARE_METATYPE(Bytes)

namespace {
Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }
}  // namespace

class TestLzhuf : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<Bytes>("plain");
        LzhufSamples::Xorshift rng{7};
        Bytes noise(65536);
        for (auto &b : noise)
            b = std::uint8_t(rng.next());
        Bytes prose;
        while (prose.size() < 60000) {
            const Bytes line = text("The first tile of a game goes on the start mark, and any tile may open.\r\n");
            prose.insert(prose.end(), line.begin(), line.end());
        }
        QTest::newRow("empty") << Bytes();
        QTest::newRow("one byte") << Bytes{0x41};
        QTest::newRow("blanks, as the ring starts") << Bytes(5000, ' ');
        QTest::newRow("a run") << Bytes(100000, 0xAB);
        QTest::newRow("text") << prose;
        QTest::newRow("noise") << noise;
        QTest::newRow("2 MB mixed") << LzhufSamples::Mixed(2 << 20);
    }
    void roundTrip()
    {
        QFETCH(Bytes, plain);
        const Bytes packed = Lzhuf::Encode(plain);
        QCOMPARE(Lzhuf::Decode(packed, plain.size()), std::optional<Bytes>(plain));
    }

    void codesLongerThanSixteenBits()
    {
        const Bytes plain = LzhufSamples::LongCodes();
        Lzhuf::EncodeStats stats;
        const Bytes packed = Lzhuf::Encode(plain, &stats);
        QVERIFY2(stats.longestCode > 16, qPrintable(QString::number(stats.longestCode)));
        QVERIFY(Lzhuf::Decode(packed, plain.size()) == plain);
    }

    // Every byte of a stream carries code bits, so any cut leaves a symbol without them.
    void streamsCutAtEveryLength()
    {
        Bytes plain = LzhufSamples::Mixed(1500);
        LzhufSamples::Xorshift rng{11};
        for (int i = 0; i < 500; ++i)
            plain.push_back(std::uint8_t(rng.next()));
        const Bytes packed = Lzhuf::Encode(plain);
        for (std::size_t cut = 0; cut < packed.size(); ++cut)
            QVERIFY2(!Lzhuf::Decode(std::span(packed).first(cut), plain.size()), qPrintable(QString::number(cut)));
        // Asking for much more than was coded runs past the end the same way (a byte or
        // two more may come out of the last byte's padding bits).
        QVERIFY(!Lzhuf::Decode(packed, plain.size() + 100));
    }

    // Decoding stops at the announced length, even inside a match.
    void outputStopsAtTheAnnouncedLength()
    {
        const Bytes plain = text("abcabcabcabcabcabcabcabcabcabcabcabc, abcabcabcabc!");
        const Bytes packed = Lzhuf::Encode(plain);
        for (std::size_t length : {0, 1, 3, 4, 10, 36, 40, 51})
            QCOMPARE(Lzhuf::Decode(packed, length), std::optional<Bytes>(Bytes(plain.begin(), plain.begin() + length)));
    }

    // The starting tree pairs the 314 symbols level by level, so eight zero bits lead from
    // its root to the leaf of byte 116; a stream that lacks them is cut short.
    void startingTree()
    {
        QCOMPARE(Lzhuf::Decode(Bytes{0x00}, 1), std::optional<Bytes>(text("t")));
        QVERIFY(!Lzhuf::Decode(Bytes{}, 1));
    }
};

QTEST_GUILESS_MAIN(TestLzhuf)
#include "tst_lzhuf.moc"
