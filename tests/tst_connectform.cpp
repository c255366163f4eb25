#include "TestSupport.h"

#include "ConnectForm.h"
#include "Player_Prototype.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

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
        QVERIFY(form->isVisible() && !Shared().Online && boardButtonsEnabled(false, false));

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
        QVERIFY(form->isVisible() && !Shared().Online);

        QTest::keyClicks(form->NameBox, QStringLiteral("andi"));
        QTest::keyClick(form->NameBox, Qt::Key_Return);
        QVERIFY(!form->isVisible() && Shared().Online && Table().WatchdogTimer->isActive());
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
        QVERIFY(MemoTexts().contains(QStringLiteral("not connected ...")) && !Shared().Online);
        form = openDialog();
        QCOMPARE(form->AddressBox->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form->NameBox->text(), QStringLiteral("KIT"));
        form->DialogCancelButton->click();

        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Software]\nqen-lodar\\Name=@Rect(1 2 3 4)\n");
        file.close();
        QCOMPARE(ReadRememberedName(), QStringLiteral("Zideruz"));
        QCOMPARE(openDialog()->NameBox->text(), QStringLiteral("ZIDERUZ"));  // the box shows capitals
    }

    void nameIsKeptInTheUsersOwnSettings()
    {
        QTemporaryDir home;
        qunsetenv("KELMAR_NAME_STORE");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        WriteRememberedName(QStringLiteral("KITE"));
        const QString store = home.filePath(QStringLiteral("qen-lodar/Kelmar.ini"));
        QVERIFY(QFile::exists(store));
        QCOMPARE(ReadRememberedName(), QStringLiteral("KITE"));

        // A store too large to be one is not read, and not written either.
        QFile planted(store);
        QVERIFY(planted.open(QIODevice::WriteOnly | QIODevice::Truncate));
        planted.write(QByteArray(100 * 1024, '\n'));
        planted.close();
        QCOMPARE(ReadRememberedName(), QStringLiteral("Zideruz"));
        QVERIFY_THROWS_EXCEPTION(KelmarError, WriteRememberedName(QStringLiteral("KITE")));
        QCOMPARE(QFileInfo(store).size(), 100 * 1024);
        qputenv("KELMAR_NAME_STORE", storePath().toLocal8Bit());
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
        QVERIFY(form->isVisible() && !Shared().Online && !Table().WatchdogTimer->isActive()
                && boardButtonsEnabled(true, false));
        QTest::qWait(300);  // a connect that was left running would be made by now
        QCOMPARE(Table().Connection->Socket().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!MemoTexts().contains(QStringLiteral("Connected")));
    }

    void memoSelectsNothing()
    {
        for (int i = 0; i < 60; ++i)
            AddMemoLine(QStringLiteral("line %1").arg(i));
        FlushMemo();
        Table().Memo->moveCursor(QTextCursor::Start);
        QScrollBar *scroll = Table().Memo->verticalScrollBar();
        for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Up,
                                  Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(Table().Memo, key, Qt::ShiftModifier);
        QCOMPARE(scroll->value(), 0);
        QVERIFY(!Table().Memo->textCursor().hasSelection());
        QTest::keyClick(Table().Memo, Qt::Key_PageDown);  // without Shift it scrolls as usual
        QVERIFY(scroll->value() > 0);

        QWidget *area = Table().Memo->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent drag(QEvent::MouseMove, QPointF(200, 80), area->mapToGlobal(QPointF(200, 80)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &drag);
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(200, 80));
        QVERIFY(!Table().Memo->textCursor().hasSelection());
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
        const QTextDocument *document = Table().Memo->document();
        QCOMPARE(document->availableUndoSteps(), 0);
        QVERIFY(!document->isUndoAvailable());
        QVERIFY(document->blockCount() <= 11000);
        QVERIFY(document->blockCount() >= 10000);
        QCOMPARE(document->lastBlock().text(), QStringLiteral("turn 29 line 999"));
    }
};

QTEST_MAIN(TestConnectForm)
#include "tst_connectform.moc"
