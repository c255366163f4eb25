#include "TestSupport.h"

#include "ConnectForm.h"
#include "NameStore.h"
#include "Player_Prototype.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString AddressHint = QStringLiteral("insert your destination IP address, computer that running ServerKelmar");
const QString NameHint = QStringLiteral("insert your name (min:3\u00A0character, max:7\u00A0character) to display");

bool boardButtonsEnabled(bool connect, bool others)
{
    return Table().ConnectButton->isEnabled() == connect && Table().CloseButton->isEnabled() == others
        && Table().QuitTitleButton->isEnabled() == others && Table().InfoTitleButton->isEnabled() == others;
}
}  // namespace

// The connect dialog on the real board, the remembered name in a store of the test's
// own, and the memo's guards.
class TestConnectForm : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    BoardCase fixture;
    FakeServer server;

    enum StoreKind { Text, Fifo, Sparse, Link, Folder };

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(bytes);
    }

    static int mode(const QString &path)
    {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    }

    QString storePath() const { return folder.filePath(QStringLiteral("shared/qen-lodar.ini")); }

    // The board's Connect button, as the player presses it.
    TConnectForm *openDialog()
    {
        Table().ConnectButton->click();
        return ConnectDialog();
    }

private slots:
    void initTestCase()
    {
        PrepareSuite();
        QVERIFY(folder.isValid());
        qputenv("KELMAR_NAME_STORE", storePath().toLocal8Bit());
    }
    void init()
    {
        QFile::remove(storePath());
        fixture.start();
        server.wire.clear();
    }
    void cleanup()
    {
        fixture.end();
        server.goAway();
    }

    void checksInOrderAndBoxLimits()
    {
        TConnectForm *form = openDialog();
        QVERIFY(boardButtonsEnabled(false, false));
        QCOMPARE(form->NameBox->text(), QString());  // nothing stored yet
        form->AddressBox->clear();
        QTest::keyClicks(form->NameBox, QStringLiteral("ab"));
        form->DialogConnectButton->click();  // the address is checked before the name's length
        form->NameBox->clear();
        form->AddressBox->setText(QStringLiteral("127.0.0.1"));
        form->DialogConnectButton->click();
        QTest::keyClicks(form->NameBox, QStringLiteral("ab"));
        form->DialogConnectButton->click();
        QCOMPARE(fixture.dialogs->messages,
                 (QStringList{"all information are required!", "all information are required!",
                              "minimum 3 character on name field"}));
        QVERIFY(form->isVisible() && !Model().Online() && boardButtonsEnabled(false, false));

        form->AddressBox->clear();
        QTest::keyClicks(form->AddressBox, QStringLiteral("abcdefghijklmnopq"));
        QCOMPARE(form->AddressBox->text(), QStringLiteral("ABCDEFGHIJKLMNO"));
        form->NameBox->clear();
        QTest::keyClicks(form->NameBox, QStringLiteral("andiandi"));
        QCOMPARE(form->NameBox->text(), QStringLiteral("ANDIAND"));
    }

    void enterMovesToTheNameThenConnects()
    {
        QVERIFY(server.listen());
        TConnectForm *form = openDialog();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QVERIFY(form->AddressBox->hasFocus());
        QCOMPARE(form->HintLabel->text(), AddressHint);
        QTest::keyClick(form->AddressBox, Qt::Key_Return);
        QVERIFY(form->NameBox->hasFocus());
        QCOMPARE(form->HintLabel->text(), NameHint);
        QVERIFY(form->isVisible() && !Model().Online());

        QTest::keyClicks(form->NameBox, QStringLiteral("andi"));
        QTest::keyClick(form->NameBox, Qt::Key_Return);
        QVERIFY(!form->isVisible() && Model().Online() && Table().WatchdogTimer->isActive());
        QCOMPARE(MemoTexts().mid(0, 2), (QStringList{"connecting to server.....", ".............."}));
        QVERIFY(boardButtonsEnabled(false, true));
        QCOMPARE(Table().OwnNameLabel->text(), QStringLiteral("Andi"));
        QCOMPARE(ReadRememberedName(), QStringLiteral("ANDI"));
        QTRY_COMPARE_WITH_TIMEOUT(server.wire, QByteArray("!@0AndiV"), 5000);
    }

    void closingGivesTheButtonsBack()
    {
        openDialog()->DialogCancelButton->click();
        QVERIFY(boardButtonsEnabled(true, true) && !ConnectDialog()->isVisible());
        openDialog()->close();  // the close box
        QVERIFY(boardButtonsEnabled(true, true) && !ConnectDialog()->isVisible());

        QVERIFY(server.listen());
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QTRY_VERIFY_WITH_TIMEOUT(server.wire.endsWith('V'), 5000);
        ConnectButtonClick();
        ConnectDialog()->close();
        QVERIFY(boardButtonsEnabled(false, true));  // Connect only while not connected
    }

    void rememberedNameInFreshDialogs()
    {
        // An address that is no dotted IPv4 address fails later, like an unreachable host.
        TConnectForm *form = openDialog();
        form->AddressBox->setText(QStringLiteral("abc"));
        QTest::keyClicks(form->NameBox, QStringLiteral("kit"));  // three letters are enough
        form->DialogConnectButton->click();
        QTRY_VERIFY(Table().ConnectButton->isEnabled());
        QVERIFY(MemoTexts().contains(QStringLiteral("not connected ...")) && !Model().Online());
        form = openDialog();
        QCOMPARE(form->AddressBox->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form->NameBox->text(), QStringLiteral("KIT"));
        form->DialogCancelButton->click();
    }

    void nameIsKeptInTheUsersOwnSettings()
    {
        QTemporaryDir home;
        qunsetenv("KELMAR_NAME_STORE");
        const auto back = qScopeGuard([this] { qputenv("KELMAR_NAME_STORE", storePath().toLocal8Bit()); });
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("qen-lodar"))));  // left open by an older version
        WriteRememberedName(QStringLiteral("KITE"));
        const QString store = home.filePath(QStringLiteral("qen-lodar/Kelmar.ini"));
        QCOMPARE(mode(store), 0600);
        QCOMPARE(mode(QFileInfo(store).path()), 0700);
        QCOMPARE(ReadRememberedName(), QStringLiteral("KITE"));
    }

    // Stores that Qt's settings wrote read as they did, and Qt reads ours.
    void storeTextAsQtWritesIt()
    {
        for (const QString &name :
             {QStringLiteral("KITE"), QStringLiteral("@AB"), QStringLiteral("A,B;C=D"), QStringLiteral(" AB "),
              QStringLiteral("A\\B\"C"), QStringLiteral("\u00C4\u00D6\u0416")}) {
            QFile::remove(storePath());
            {
                QSettings qt(storePath(), QSettings::IniFormat);
                qt.setValue(QStringLiteral("Software/qen-lodar/Name"), name);
            }
            QCOMPARE(ReadRememberedName(), name);
            WriteRememberedName(name);
            QCOMPARE(QSettings(storePath(), QSettings::IniFormat).value(QStringLiteral("Software/qen-lodar/Name")),
                     name);
        }
    }

    // Whatever stands at the store's place reads at once as no name, and the next
    // Connect's name replaces it without writing through it or opening it.
    void hostileStores_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("FIFO") << int(Fifo) << QByteArray() << true;
        QTest::newRow("1 GB sparse") << int(Sparse) << QByteArray() << true;
        QTest::newRow("just above 64 KiB")
            << int(Text) << StoreTextWithName("VIC") + QByteArray(64 * 1024, '#') << true;
        QTest::newRow("garbage") << int(Text) << QByteArray("\0\xff[[[==\n]]\x01") << true;
        QTest::newRow("other type") << int(Text) << QByteArray("[Software]\nqen-lodar\\Name=@Rect(1 2 3 4)\n") << true;
        QTest::newRow("list") << int(Text) << QByteArray("[Software]\nqen-lodar\\Name=VIC, KIT\n") << true;
        QTest::newRow("escaped control") << int(Text) << QByteArray("[Software]\nqen-lodar\\Name=VI\\x7C\n") << true;
        QTest::newRow("raw control") << int(Text) << QByteArray("[Software]\nqen-lodar\\Name=V\x01IC\n") << true;
        QTest::newRow("link") << int(Link) << StoreTextWithName("VIC") << true;
        QTest::newRow("folder") << int(Folder) << QByteArray() << false;
    }
    void hostileStores()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, text);
        QFETCH(bool, replaced);
        const QString place = storePath();
        const QString outside = folder.filePath(QStringLiteral("outside.ini"));
        QDir().mkpath(QFileInfo(place).path());
        QFile::remove(outside);
        switch (kind) {
        case Fifo: QCOMPARE(::mkfifo(QFile::encodeName(place).constData(), 0600), 0); break;
        case Sparse:
            writeFile(place, {});
            QVERIFY(QFile::resize(place, qint64(1) << 30));
            break;
        case Link:
            writeFile(outside, text);
            QVERIFY(QFile::link(outside, place));
            break;
        case Folder: QVERIFY(QDir().mkpath(place)); break;
        default: writeFile(place, text);
        }
        QCOMPARE(ReadRememberedName(), QString());
        QCOMPARE(openDialog()->NameBox->text(), QString());
        ConnectDialog()->DialogCancelButton->click();
        if (!replaced) {
            QVERIFY_THROWS_EXCEPTION(KelmarError, WriteRememberedName(QStringLiteral("KITE")));
            QVERIFY(QDir(place).removeRecursively());
            return;
        }
        WriteRememberedName(QStringLiteral("KITE"));
        QCOMPARE(ReadRememberedName(), QStringLiteral("KITE"));
        QVERIFY(QFileInfo(place).isFile() && !QFileInfo(place).isSymLink());
        QCOMPARE(mode(place), 0600);
        if (kind == Link) {
            QFile planted(outside);
            QVERIFY(planted.open(QIODevice::ReadOnly) && planted.readAll() == text);
        }
    }

    // Another Kelmar's settings object holding its lock, or one that died with it, keep
    // nobody waiting.
    void lockFileIsNoObstacle()
    {
        writeFile(storePath(), StoreTextWithName("VIC"));
        writeFile(storePath() + QStringLiteral(".lock"),
                  QByteArray::number(QCoreApplication::applicationPid()) + "\nkelmar\nhost\n");
        QCOMPARE(ReadRememberedName(), QStringLiteral("VIC"));
        WriteRememberedName(QStringLiteral("KITE"));
        QCOMPARE(ReadRememberedName(), QStringLiteral("KITE"));
        QFile::remove(storePath() + QStringLiteral(".lock"));
    }

    void unwritableStoreGivesUpTheAttempt()
    {
        QVERIFY(server.listen());
        const QString blocker = folder.filePath(QStringLiteral("blocker"));
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        qputenv("KELMAR_NAME_STORE", (blocker + QStringLiteral("/qen-lodar.ini")).toLocal8Bit());
        TConnectForm *form = openDialog();
        QTest::keyClicks(form->NameBox, QStringLiteral("andi"));
        form->DialogConnectButton->click();
        qputenv("KELMAR_NAME_STORE", storePath().toLocal8Bit());
        QCOMPARE(fixture.dialogs->messages, QStringList{QStringLiteral("error")});
        QVERIFY(form->isVisible() && !Model().Online() && !Table().WatchdogTimer->isActive()
                && boardButtonsEnabled(true, false));
        QTest::qWait(300);  // a connect that was left running would be made by now
        QVERIFY(!Table().Connection->IsConnected());
        QVERIFY(!MemoTexts().contains(QStringLiteral("Connected")));
    }

    void memoSelectsNothing()
    {
        for (int i = 0; i < 60; ++i)
            AddMemoLine(QStringLiteral("line %1").arg(i));
        FlushMemo();
        Memo()->moveCursor(QTextCursor::Start);
        QScrollBar *scroll = Memo()->verticalScrollBar();
        for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Up,
                                  Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(Memo(), key, Qt::ShiftModifier);
        QCOMPARE(scroll->value(), 0);
        QVERIFY(!Memo()->textCursor().hasSelection());
        QTest::keyClick(Memo(), Qt::Key_PageDown);  // without Shift it scrolls as usual
        QVERIFY(scroll->value() > 0);

        QWidget *area = Memo()->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent drag(QEvent::MouseMove, QPointF(200, 80), area->mapToGlobal(QPointF(200, 80)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &drag);
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(200, 80));
        QVERIFY(!Memo()->textCursor().hasSelection());
    }

    // A long evening's lines, taken in many turns of the event loop, leave no history
    // behind them and no more than the memo's bound of lines.
    void memoKeepsNoHistory()
    {
        for (int turn = 0; turn < 30; ++turn) {
            for (int i = 0; i < 1000; ++i)
                AddMemoLine(QStringLiteral("turn %1 line %2").arg(turn).arg(i));
            FlushMemo();
        }
        const QTextDocument *document = Memo()->document();
        QCOMPARE(document->availableUndoSteps(), 0);
        QVERIFY(!document->isUndoAvailable());
        QVERIFY(document->blockCount() <= 11000);
        QVERIFY(document->blockCount() >= 10000);
        QCOMPARE(document->lastBlock().text(), QStringLiteral("turn 29 line 999"));
    }
};

QTEST_MAIN(TestConnectForm)
#include "tst_connectform.moc"
