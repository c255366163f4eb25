#include "SkinTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Run {
    int status;
    QString out;
};

Run run(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(KELMAR_OUT_DIR "/kelmar-skin"), arguments);
    if (!tool.waitForFinished(60000))
        qFatal("kelmar-skin did not finish");
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError())};
}

void write(const QString &path, const Bytes &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}
}  // namespace

class TestSkinTool : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString at(const QString &name) const { return dir.filePath(name); }

private slots:
    void shippedSkinHolds()
    {
        const Run check = run({"check", KELMAR_OUT_DIR "/Resource/mxskin11.skin"});
        QCOMPARE(check.status, 0);
        QVERIFY(check.out.contains("everything holds") && !check.out.contains("problem"));
    }

    void commandLine()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.status, 0);
        for (const char *command : {"list FILE.skin", "extract FILE.skin DIR", "pack OUT.skin", "check FILE.skin"})
            QVERIFY(help.out.contains(command));
        QCOMPARE(run({}).status, 2);
        QCOMPARE(run({"list"}).status, 2);
        QCOMPARE(run({"list", at("none.skin")}).status, 1);
    }

    // Names that would leave the folder, or a link to elsewhere in its place, write nothing.
    void extractStaysInItsFolder()
    {
        write(at("evil.skin"),
              SkinArchive::Pack({{"../x", BytesOf("1")},
                                 {"/tmp/abs", BytesOf("2")},
                                 {"a\\b", BytesOf("3")},
                                 {"c:d", BytesOf("4")},
                                 {"bell\x07", BytesOf("5")},
                                 {"..", BytesOf("6")},
                                 {"linked", BytesOf("7")},
                                 {"ok.txt", BytesOf("8")}}));
        QDir().mkpath(at("out"));
        write(at("outside"), BytesOf("untouched"));
        QVERIFY(QFile::link(at("outside"), at("out/linked")));
        const Run extract = run({"extract", at("evil.skin"), at("out")});
        QCOMPARE(extract.status, 1);
        QCOMPARE(QDir(at("out")).entryList(QDir::Files | QDir::System), (QStringList{"linked", "ok.txt"}));
        QVERIFY(!QFile::exists(at("x")) && !QFile::exists(QStringLiteral("/tmp/abs")));
        QFile outside(at("outside"));
        QVERIFY(outside.open(QIODevice::ReadOnly) && outside.readAll() == "untouched");
    }

    // Whatever stands in a member's place that is not a plain file of its own is left
    // alone: a link to a file outside, a link to nowhere (which would make a file outside),
    // a FIFO, a second name of an outside file, a folder. A plain file is replaced.
    void extractWritesThroughNothing()
    {
        QDir().mkpath(at("planted/out"));
        write(at("planted/outside"), BytesOf("untouched"));
        const QString out = at("planted/out/");
        QVERIFY(QFile::link(at("planted/outside"), out + "link"));
        QVERIFY(QFile::link(at("planted/nowhere"), out + "dangling"));
        QCOMPARE(::mkfifo(QFile::encodeName(out + "fifo").constData(), 0600), 0);
        QCOMPARE(
            ::link(QFile::encodeName(at("planted/outside")).constData(), QFile::encodeName(out + "hard").constData()),
            0);
        QVERIFY(QDir().mkpath(out + "folder"));
        write(out + "plain", BytesOf("old"));
        const QStringList names{"link", "dangling", "fifo", "hard", "folder", "plain"};
        std::vector<SkinArchive::Member> members;
        for (const QString &name : names)
            members.push_back({name.toStdString(), BytesOf("new")});
        write(at("planted.skin"), SkinArchive::Pack(members));

        const Run extract = run({"extract", at("planted.skin"), out});
        QCOMPARE(extract.status, 1);
        for (const QString &name : names.mid(0, 5))
            QVERIFY2(extract.out.contains(QStringLiteral("\"%1\" skipped").arg(name)), qPrintable(extract.out));
        QFile outside(at("planted/outside"));
        QVERIFY(outside.open(QIODevice::ReadOnly) && outside.readAll() == "untouched");
        QVERIFY(!QFile::exists(at("planted/nowhere")));
        QFile plain(out + "plain");
        QVERIFY(plain.open(QIODevice::ReadOnly) && plain.readAll() == "new");
    }

    // A target folder that is a link is not followed, even to a folder of one's own.
    void extractRefusesALinkedTarget()
    {
        QDir().mkpath(at("real"));
        QVERIFY(QFile::link(at("real"), at("alias")));
        write(at("one.skin"), SkinArchive::Pack({{"ok.txt", BytesOf("8")}}));
        const Run extract = run({"extract", at("one.skin"), at("alias")});
        QCOMPARE(extract.status, 1);
        QVERIFY(extract.out.contains("a symbolic link"));
        QVERIFY(QDir(at("real")).isEmpty());
        QCOMPARE(run({"extract", at("one.skin"), at("made/new/")}).status, 0);  // a missing one is made
        QVERIFY(QFile::exists(at("made/new/ok.txt")));
    }

    void packListAndCheck()
    {
        write(at("skin.ini"), BytesOf("[Personality]\r\nTop=top.bmp\r\nLeft=gone.bmp\r\n[Buttons]\r\nTrans=2\r\n"));
        write(at("top.bmp"), BitmapOf(20, 10));
        write(at("TOP.BMP"), BitmapOf(20, 10));
        QCOMPARE(run({"pack", at("dup.skin"), at("top.bmp"), at("TOP.BMP")}).status, 1);
        QVERIFY(!QFile::exists(at("dup.skin")));

        QCOMPARE(run({"pack", at("made.skin"), at("skin.ini"), at("top.bmp")}).status, 0);
        const Run list = run({"list", at("made.skin")});
        QCOMPARE(list.status, 0);
        QVERIFY(list.out.contains(QStringLiteral("%1  top.bmp").arg(BitmapOf(20, 10).size(), 10)));
        const Run check = run({"check", at("made.skin")});
        QCOMPARE(check.status, 1);
        QVERIFY(check.out.contains("Personality.Top = top.bmp: ok"));
        QVERIFY(check.out.contains("Personality.Left = gone.bmp: no such member"));
        QVERIFY(check.out.contains("Buttons transparency 2 is out of range"));

        write(at("thick.bmp"), BitmapOf(20, 100));  // what the client refuses is refused here too
        write(at("thick.ini"), BytesOf("[Personality]\r\nBottom=thick.bmp\r\n"));
        QCOMPARE(run({"pack", at("thick.skin"), at("thick.ini"), at("thick.bmp")}).status, 0);
        const Run refused = run({"check", at("thick.skin")});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.out.contains("refused by Kelmar: the bottom border is 100 pixels thick"),
                 qPrintable(refused.out));
    }
};

QTEST_GUILESS_MAIN(TestSkinTool)
#include "tst_skintool.moc"
