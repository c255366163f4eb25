#include "Global.h"
#include "IniFile.h"
#include "IniText.h"

#include <QTemporaryDir>
#include <QTest>

using namespace NamedColor;

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    TIniFile iniWith(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the test file");
        file.write(text);
        return TIniFile(path);
    }

private slots:
    void defaultTextHasSeventyCrLfLines()
    {
        const QByteArray text = DefaultConfigText();
        QVERIFY(text.endsWith("FxMusic=yes\r\n"));
        QCOMPARE(text.count("\r\n"), 70);
        QCOMPARE(text.count('\n'), 70);
        const QList<QByteArray> lines = text.split('\n');
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7}) {
            const QByteArray line = lines[i].chopped(1);
            QCOMPARE(line.size(), 39);
            QVERIFY(line.startsWith('#') && line.endsWith('#'));
        }
        QCOMPARE(lines[3], QByteArray("#   please write it with small caps   #\r"));
        QCOMPARE(lines[36], QByteArray("Background=6\r"));
    }

    void defaultTextReadsAsAFreshInstallation()
    {
        const TIniFile ini = iniWith(DefaultConfigText());
        QVERIFY(!ini.ReadSwitch("Main", "Splash"));
        QVERIFY(!ini.ReadSwitch("Main", "Verbose"));
        QVERIFY(ini.ReadSwitch("Main", "Skin"));
        QVERIFY(!ini.ReadSwitch("Music", "MainMusic"));
        QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
        QCOMPARE(ini.ReadColor("Color", "Background", ColorTable::Background), Teal);
        QCOMPARE(ini.ReadColor("Color", "MemoActive", ColorTable::MemoActive), Cream);
        QCOMPARE(ini.ReadColor("Color", "MemoInactive", ColorTable::MemoInactive), Silver);
    }

    void switchesAreExactButNamesIgnoreCase()
    {
        const TIniFile ini = iniWith("[main]\r\nsplash = yes \r\nVerbose=Yes\r\n#Skin=no\r\n"
                                     "verbose=yes\r\nSKIN=\r\n[Music]\r\nMainMusic=YES\r\nFxMusic=1\r\n");
        QVERIFY(ini.ReadSwitch("Main", "Splash"));    // small letters in the names still count
        QVERIFY(!ini.ReadSwitch("Main", "Verbose"));  // "Yes" is not "yes"; the first one wins
        QVERIFY(!ini.ReadSwitch("Main", "Skin"));     // the comment defines nothing; empty is off
        QVERIFY(!ini.ReadSwitch("Music", "MainMusic"));
        QVERIFY(!ini.ReadSwitch("Music", "FxMusic"));
        QVERIFY(ini.ReadSwitch("Music", "Other"));  // absent counts as on
    }

    void onlyMainWithVerboseOff()
    {
        const TIniFile ini = iniWith("[Main]\r\nVerbose=no\r\n");
        QVERIFY(ini.ReadSwitch("Main", "Splash"));
        QVERIFY(ini.ReadSwitch("Main", "Skin"));
        QVERIFY(ini.ReadSwitch("Music", "MainMusic"));
        QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
        QCOMPARE(ini.ReadColor("Color", "Background", ColorTable::Background), MoneyGreen);
        QCOMPARE(ini.ReadColor("Color", "MemoActive", ColorTable::MemoActive), Cream);
        QCOMPARE(ini.ReadColor("Color", "MemoInactive", ColorTable::MemoInactive), Aqua);
    }

    void sectionsInTheOrderOfTheText()
    {
        const IniText ini("k=0\n[Colour1]\ncolor=1\n[ Main ]\n[colour1]\ncolor=2\nCOLOR=3\n[Colours\n");
        QCOMPARE(ini.Sections(), (std::vector<std::string>{"Colour1", "Main"}));
        QCOMPARE(ini.Value("COLOUR1", "Color"), std::optional<std::string>("1"));  // a section written twice is one
        QVERIFY(!ini.Value("Colours", "color"));
    }

    void keysOutsideTheirSectionDoNotCount()
    {
        const TIniFile ini = iniWith("Splash=no\r\n[Color]\r\nSplash=no\r\n[Main]\r\nVerbose\r\n");
        QVERIFY(ini.ReadSwitch("Main", "Splash"));
        QVERIFY(ini.ReadSwitch("Main", "Verbose"));  // a line without '=' defines nothing
    }

    void colourIndexes_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QColor>("background");
        QTest::newRow("absent") << QByteArray() << MoneyGreen;
        QTest::newRow("empty") << QByteArray("Background=") << MoneyGreen;
        QTest::newRow("letters") << QByteArray("Background=blue") << MoneyGreen;
        QTest::newRow("0") << QByteArray("Background=0") << MoneyGreen;
        QTest::newRow("11") << QByteArray("Background=11") << SkyBlue;
        QTest::newRow("12") << QByteArray("Background=12") << Cream;
        QTest::newRow("13") << QByteArray("Background=13") << MoneyGreen;
        QTest::newRow("255") << QByteArray("Background=255") << MoneyGreen;
        QTest::newRow("256") << QByteArray("Background=256") << MoneyGreen;
        QTest::newRow("257") << QByteArray("Background=257") << Blue;
        QTest::newRow("-1") << QByteArray("Background=-1") << MoneyGreen;
        QTest::newRow("+6") << QByteArray("Background=+6") << Teal;
        QTest::newRow("0x3") << QByteArray("Background=0x3") << Yellow;
        QTest::newRow("$A") << QByteArray("Background=$A") << Lime;
        QTest::newRow("0x103") << QByteArray("Background=0X103") << Yellow;
        QTest::newRow("trailing garbage") << QByteArray("Background=6x") << MoneyGreen;
        QTest::newRow("beyond 32 bits") << QByteArray("Background=4294967297") << MoneyGreen;
        QTest::newRow("binary") << QByteArray("Background=\x01\xff\x00"
                                              "6",
                                              15)
                                << MoneyGreen;
    }

    void colourIndexes()
    {
        QFETCH(QByteArray, value);
        QFETCH(QColor, background);
        const TIniFile ini = iniWith("[Color]\r\n" + value + "\r\n");
        QCOMPARE(ini.ReadColor("Color", "Background", ColorTable::Background), background);
    }

    void memoTablesDifferFromTheBoardTable()
    {
        const TIniFile ini = iniWith("[Color]\r\nMemoActive=9\r\nMemoInactive=0x3\r\n");
        QCOMPARE(ini.ReadColor("Color", "MemoActive", ColorTable::MemoActive), Lime);
        QCOMPARE(ini.ReadColor("Color", "MemoInactive", ColorTable::MemoInactive), Yellow);
        QCOMPARE(ColorFromIndex(ColorTable::MemoActive, 10), Cream);
        QCOMPARE(ColorFromIndex(ColorTable::MemoInactive, 1), Blue);
        QCOMPARE(ColorFromIndex(ColorTable::MemoActive, 1), MoneyGreen);
        QCOMPARE(ColorFromIndex(ColorTable::Background, 9), Aqua);
    }

    void everyReadSeesTheFileAsItIsNow()
    {
        const TIniFile ini = iniWith("[Music]\r\nFxMusic=yes\r\n");
        QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
        iniWith("[Music]\r\nFxMusic=no\r\n");
        QVERIFY(!ini.ReadSwitch("Music", "FxMusic"));
        QFile::remove(ini.path());
        QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
        QCOMPARE(ini.ReadColor("Color", "Background", ColorTable::Background), MoneyGreen);
    }

    void aMomentSeesOneStateOfTheFile()
    {
        const TIniFile ini = iniWith("[Music]\r\nFxMusic=yes\r\n");
        {
            const TSettingsMoment moment;
            QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
            iniWith("[Music]\r\nFxMusic=no\r\n");
            {
                const TSettingsMoment inner;
            }
            QVERIFY(ini.ReadSwitch("Music", "FxMusic"));
        }
        QVERIFY(!ini.ReadSwitch("Music", "FxMusic"));
    }

    void garbageFilesGiveBuiltInDefaults()
    {
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise += static_cast<char>((i * 7919) % 256);
        const TIniFile ini = iniWith(noise + "\r\n[Main\r\n=yes\r\n[]\r\n");
        QVERIFY(ini.ReadSwitch("Main", "Splash"));
        QCOMPARE(ini.ReadColor("Color", "Background", ColorTable::Background), MoneyGreen);
        const TIniFile missing(dir.filePath(QStringLiteral("nothing/here.ini")));
        QVERIFY(missing.ReadSwitch("Main", "Verbose"));
    }

    void writingTheDefaultFile()
    {
        const QString path = dir.filePath(QStringLiteral("written.ini"));
        QFile::remove(path);
        WriteDefaultConfig(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), DefaultConfigText());
    }

    void anUnwritablePlaceIsReportedWithTheSystemText()
    {
        const QString path = dir.filePath(QStringLiteral("missing-folder/config.ini"));
        try {
            WriteDefaultConfig(path);
            QFAIL("no error for an unwritable place");
        } catch (const KelmarError &e) {
            QVERIFY(e.text().contains(path));
            QVERIFY(e.text().contains(QStringLiteral("No such file or directory")));
        }
    }
};

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
