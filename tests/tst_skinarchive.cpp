#include "SkinData.h"
#include "SkinTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(TSkinReader::Failure)

namespace {
QByteArray qbytes(const Bytes &b) { return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size())); }

// An archive file around the given content, its length field as given.
Bytes fileOf(const Bytes &content, std::uint32_t announced)
{
    Bytes file;
    for (int shift = 0; shift < 32; shift += 8)
        file.push_back(std::uint8_t(announced >> shift));
    const Bytes packed = Lzhuf::Encode(content);
    file.insert(file.end(), packed.begin(), packed.end());
    return file;
}

const Bytes Definition = BytesOf("[TitlebarSkin]\r\nSkinName=Plain\r\n");
}  // namespace

class TestSkinArchive : public QObject {
    Q_OBJECT
private slots:
    void membersByName()
    {
        const TSkinReader reader = ReaderOf({{"Title.BMP", Bytes(10, 'a')},
                                             {"second", Bytes(20, 'b')},
                                             {"Walnut.INI", Definition},
                                             {"../x", BytesOf("x")}});
        QCOMPARE(reader.Names(), (std::vector<std::string>{"title.bmp", "second", "walnut.ini", "../x"}));
        QCOMPARE(reader.FindExact("title.bmp").size(), 10u);
        QCOMPARE(reader.FindExact("TITLE.BMP").size(), 10u);
        QVERIFY(reader.FindExact("title").empty());
        // The second member starts right after the first one's 10 bytes.
        const auto second = reader.Data(1);
        QCOMPARE(second.size(), 20u);
        QVERIFY(std::ranges::all_of(second, [](std::uint8_t c) { return c == 'b'; }));
        const TSkinReader::Found ini = reader.FindPart(".ini");
        QCOMPARE(ini.name, std::string("walnut.ini"));
        QVERIFY(std::ranges::equal(ini.data, Definition));
        QVERIFY(reader.FindPart(".INI").name.empty());  // the part is taken as it is
        QVERIFY(reader.Data(4).empty());
    }

    void writerSeparatesNamesWithCrLf()
    {
        TSkinReader reader;
        const Bytes file = SkinArchive::Pack({{"a.ini", Bytes(3, 'a')}, {"b.bmp", {}}});
        QVERIFY(reader.Unpack(file));
        QCOMPARE(reader.Mark(), 20000u);
        QCOMPARE(reader.NameListLength(), 12);
        const std::optional<Bytes> content = Lzhuf::Decode(std::span(file).subspan(4), 16 + 12 + 8 + 3);
        QVERIFY(content && qbytes(*content).mid(16, 12) == "a.ini\r\nb.bmp");
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SkinArchive::Pack({{"two\nlines", {}}}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SkinArchive::Pack({{"", {}}}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 SkinArchive::Pack(std::vector<SkinArchive::Member>(1002, {"m", {}})));
    }

    void badArchives_data()
    {
        QTest::addColumn<Bytes>("file");
        QTest::addColumn<TSkinReader::Failure>("failure");
        using F = TSkinReader::Failure;
        const Bytes good = ContentOf(20000, 1, "a", {1}, "x");
        Bytes cut = fileOf(good, std::uint32_t(good.size()));
        cut.pop_back();
        std::string many;
        for (int i = 0; i < 1002; ++i)
            many += "m\r\n";
        const auto content = [](const Bytes &c) { return fileOf(c, std::uint32_t(c.size())); };
        QTest::newRow("empty") << Bytes() << F::Damaged;
        QTest::newRow("3 bytes") << Bytes{1, 0, 0} << F::Damaged;
        QTest::newRow("a length of 4 GB") << fileOf(good, 0xFFFFFFFF) << F::Damaged;
        QTest::newRow("a length past the stream") << fileOf(good, std::uint32_t(good.size() + 100)) << F::Damaged;
        QTest::newRow("a stream cut short") << cut << F::Damaged;
        QTest::newRow("shorter than the header") << content(Bytes(15, 0)) << F::Damaged;
        QTest::newRow("another format mark") << content(ContentOf(19999, 1, "a", {1}, "x")) << F::OlderFormat;
        QTest::newRow("a negative name list length") << content(ContentOf(20000, -1, "a", {1}, "x")) << F::Damaged;
        QTest::newRow("a name list past the end") << content(ContentOf(20000, 100, "a", {1}, "x")) << F::Damaged;
        QTest::newRow("sizes past the end") << content(ContentOf(20000, 3, "a\nb", {1}, "")) << F::Damaged;
        QTest::newRow("1002 members") << content(ContentOf(20000, int(many.size()), many, {}, "")) << F::Damaged;
        QTest::newRow("a negative size") << content(ContentOf(20000, 1, "a", {-1}, "x")) << F::Damaged;
        QTest::newRow("a size past the data") << content(ContentOf(20000, 1, "a", {2}, "x")) << F::Damaged;
        QTest::newRow("sizes that overflow when added")
            << content(ContentOf(20000, 3, "a\nb", {0x7FFFFFFF, 0x7FFFFFFF}, "xy")) << F::Damaged;
    }
    void badArchives()
    {
        QFETCH(Bytes, file);
        QFETCH(TSkinReader::Failure, failure);
        TSkinReader reader;
        QVERIFY(!reader.Unpack(file));
        QCOMPARE(reader.failure(), failure);
        if (failure == TSkinReader::Failure::OlderFormat)
            QCOMPARE(reader.error(), std::string("This is Older Skin File\rPlease update to new version !"));
    }

    // Any damage to the stream gives either a refusal or some content, never more.
    void corruptedStreams()
    {
        const Bytes good = SkinArchive::Pack({{"a.ini", Definition}, {"b.bmp", BitmapOf(8, 8)}});
        for (std::size_t at = 4; at < good.size(); at += 3) {
            Bytes bad = good;
            bad[at] ^= 0x5A;
            TSkinReader reader;
            if (reader.Unpack(bad))
                QVERIFY(reader.Names().size() <= SkinArchive::MaxMembers);
        }
    }

    void store()
    {
        TSkinStore store;
        QCOMPARE(store.Add().Name, QStringLiteral("Skin1"));
        QCOMPARE(store.Add().Name, QStringLiteral("Skin2"));
        store.Rename(0, QStringLiteral("Walnut"));
        QCOMPARE(store.Add().Name, QStringLiteral("Skin1"));
        try {
            store.Rename(1, QStringLiteral("Walnut"));
            QFAIL("renamed onto a used name");
        } catch (const std::runtime_error &e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("The name Walnut is already used."));
        }
        try {
            store.LoadFromFile(0, QStringLiteral("/nonexistent/mxskin11.skin"));
            QFAIL("loaded a missing file");
        } catch (const std::runtime_error &e) {
            QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("/nonexistent/mxskin11.skin")));
        }
    }

    void skinLoadsOnlyGoodArchives()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.skin"));
        const auto write = [&](const Bytes &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(qbytes(bytes));
        };
        TSkinStore store;
        store.Add();
        TSkinData skin;
        QSignalSpy problems(&skin, &TSkinData::problem);
        QSignalSpy applied(&skin, &TSkinData::appliedChanged);

        skin.SelectEntry(store, 1);  // past the last entry: nothing happens
        skin.SetSkinFile(dir.filePath(QStringLiteral("missing.skin")));
        QVERIFY(!skin.Loaded() && problems.isEmpty());

        write(fileOf(ContentOf(1, 0, "", {}, ""), 16));
        store.LoadFromFile(0, path);
        skin.SelectEntry(store, 0);
        skin.SetActive(true);  // switching on waits for a completed load
        QCOMPARE(problems.takeFirst().at(0).toString(), QString::fromLatin1(SkinArchive::OlderSkinText));
        QVERIFY(!skin.Applied() && applied.isEmpty());

        write(SkinArchive::Pack({{"picture.bmp", BitmapOf(4, 4)}}));
        skin.SetSkinFile(path);
        QVERIFY(problems.takeFirst().at(0).toString().contains(QStringLiteral("no definition")));

        write(SkinArchive::Pack({{"walnut.ini", Definition}}));
        skin.SetSkinFile(path);
        QVERIFY(problems.isEmpty() && skin.Applied());
        QCOMPARE(skin.Definition()->Name, QStringLiteral("Plain"));
        QCOMPARE(applied.takeFirst().at(0).toBool(), true);
        skin.SetActive(false);
        QCOMPARE(applied.takeFirst().at(0).toBool(), false);
    }
};

QTEST_MAIN(TestSkinArchive)
#include "tst_skinarchive.moc"
