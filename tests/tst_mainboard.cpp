#include "TestSupport.h"

#include <QFontDatabase>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestMainBoard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PrepareSuite(); }
    void init() { WriteConfig(DefaultConfigText()); }

    void fitScreenBranches()
    {
        const QRect work(0, 0, 800, 560);
        const ScreenFit exact = FitScreen({800, 600}, work);
        QCOMPARE(exact.kind, ScreenFit::FillWorkArea);
        QCOMPARE(exact.frame, work);
        const ScreenFit large = FitScreen({1024, 768}, QRect(0, 0, 1024, 740));
        QCOMPARE(large.kind, ScreenFit::Centred);
        QCOMPARE(large.frame, QRect(112, 84, 800, 600));
        QCOMPARE(FitScreen({640, 480}, {}).kind, ScreenFit::TooSmall);
        // Screens between the rules: too small in one dimension, or exact in one.
        QCOMPARE(FitScreen({1280, 540}, {}).kind, ScreenFit::TooSmall);
        QCOMPARE(FitScreen({640, 768}, {}).kind, ScreenFit::TooSmall);
        const ScreenFit wide = FitScreen({1024, 600}, {});
        QCOMPARE(wide.kind, ScreenFit::Borderless);
        QCOMPARE(wide.frame, QRect(112, 0, 800, 600));
        const ScreenFit tall = FitScreen({800, 768}, {});
        QCOMPARE(tall.kind, ScreenFit::Borderless);
        QCOMPARE(tall.frame, QRect(0, 84, 800, 600));
    }

    void boardOnALargeScreen()
    {
        RecordedDialogs dialogs;
        auto board = BuildBoard({1024, 768});
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(board->windowTitle(), QStringLiteral("Kelmar 1.5 [client]"));
        QCOMPARE(board->geometry(), QRect(112, 84, 800, 600));
        QVERIFY(!(board->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(!(board->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(board->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(board->palette().color(QPalette::Window), NamedColor::Teal);
        QCOMPARE(Table().ConnectButton->text(), QStringLiteral("&Connect"));
        QCOMPARE(Table().ConnectButton->geometry(), QRect(240, 365, 75, 25));
        QCOMPARE(Table().CloseButton->geometry(), QRect(480, 365, 75, 25));
        QVERIFY(Table().ConnectButton->isFlat() && Table().CloseButton->isFlat());
        QCOMPARE(Table().QuitTitleButton->geometry(), QRect(750, 10, 23, 22));
        QCOMPARE(Table().InfoTitleButton->geometry(), QRect(725, 10, 23, 22));
        QVERIFY(!Table().QuitTitleButton->icon().isNull() && !Table().InfoTitleButton->icon().isNull());
        QVERIFY(!Shared().QuitRequested && !Model().Online() && !Model().TurnFlag() && Shared().CreditIndex == 1);
    }

    void aServerProblemOfPlayIsShownOnceTheBoardStands()
    {
        RecordedDialogs dialogs;
        qputenv("KELMAR_SERVER_PROBLEM", "The game server could not start: port 18113 is taken.");
        auto board = BuildBoard({1024, 768});
        qunsetenv("KELMAR_SERVER_PROBLEM");
        QVERIFY(dialogs.messages.isEmpty());
        QTRY_COMPARE(dialogs.messages, QStringList{"The game server could not start: port 18113 is taken."});
    }

    void boardOnAnExactScreenFillsTheWorkArea()
    {
        RecordedDialogs dialogs;
        SetScreenOverride(std::make_pair(QSize(800, 600), QRect(0, 0, 800, 570)));
        TMainBoard board;
        QVERIFY(board.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(board.geometry(), QRect(0, 0, 800, 570));
    }

    void smallScreenShowsTheMessageAndQuits()
    {
        RecordedDialogs dialogs;
        auto board = BuildBoard({640, 480});
        QCOMPARE(dialogs.messages, QStringList{QString::fromLatin1(ScreenTooSmallText)});
        QVERIFY(Shared().QuitRequested);
        QVERIFY(!Table().ConnectButton);  // start-up went no further
    }

    void paintDrawsFourSilverLines()
    {
        RecordedDialogs dialogs;
        auto board = BuildBoard();
        const QImage image = board->grab().toImage();
        for (int x : {718, 720, 778, 780}) {
            QCOMPARE(image.pixelColor(x, 13), NamedColor::Silver);
            QCOMPARE(image.pixelColor(x, 29), NamedColor::Silver);
        }
        QCOMPARE(image.pixelColor(719, 20), NamedColor::Teal);
    }

    void missingConfigIsWrittenAndRead()
    {
        QFile::remove(ConfigPath());
        RecordedDialogs dialogs;
        auto board = BuildBoard();
        QFile file(ConfigPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), DefaultConfigText());
        QCOMPARE(board->palette().color(QPalette::Window), NamedColor::Teal);
        QVERIFY(dialogs.errors.isEmpty());
    }

    void garbageConfigGivesDefaults()
    {
        WriteConfig(QByteArray("\x00\xff[Color\r\nBackground=\x80\r\n\x1b", 22));
        RecordedDialogs dialogs;
        auto board = BuildBoard();
        QCOMPARE(board->palette().color(QPalette::Window), NamedColor::MoneyGreen);
        QVERIFY(dialogs.errors.isEmpty());
    }

    void quitQuestionFromTheButtons()
    {
        for (QAbstractButton *(*button)() : {+[]() -> QAbstractButton * { return Table().CloseButton; },
                                             +[]() -> QAbstractButton * { return Table().QuitTitleButton; }}) {
            for (const bool ok : {false, true}) {
                RecordedDialogs dialogs;
                dialogs.answer = ok;
                auto board = BuildBoard();
                button()->click();
                QCOMPARE(dialogs.questions, QStringList{QStringLiteral("Quit the Game?")});
                QCOMPARE(Shared().QuitRequested, ok);
            }
        }
    }

    void quitQuestionFromTheCloseBox()
    {
        for (const bool ok : {false, true}) {
            RecordedDialogs dialogs;
            dialogs.answer = ok;
            auto board = BuildBoard();
            board->show();
            board->close();
            QCOMPARE(dialogs.questions, QStringList{QStringLiteral("Quit the Game?")});
            QCOMPARE(Shared().QuitRequested, ok);
            QCOMPARE(board->isVisible(), !ok);
            QCOMPARE(board->FormCloseQuery(), ok);  // the session's log-off query asks the same
        }
    }

    void sessionEndWithoutQuestionQuits()
    {
        for (const bool mayAsk : {false, true}) {
            RecordedDialogs dialogs;  // answers Cancel
            auto board = BuildBoard();
            QCOMPARE(board->SessionEnding(mayAsk), !mayAsk);
            QCOMPARE(dialogs.questions.size(), mayAsk ? 1 : 0);
            QCOMPARE(Shared().QuitRequested, !mayAsk);
        }
    }

    // What the board's first frame needs and its window does not waits for the window's
    // first exposure: the memo, with the background the start gave it, the fonts looked
    // up, and the board's own cursors.
    void tableIsCompletedWhenTheBoardIsFirstOnTheScreen()
    {
        RecordedDialogs dialogs;
        SetScreenOverride(std::make_pair(QSize(1024, 768), QRect(0, 0, 1024, 768)));
        TMainBoard board;
        QVERIFY(!Table().Memo);
        board.show();
        QTRY_VERIFY(Table().Memo);
        QCOMPARE(Table().Memo->palette().color(QPalette::Base), NamedColor::Silver);  // no one's turn
        for (const QWidget *text : {static_cast<QWidget *>(Table().Memo), static_cast<QWidget *>(Table().StatusLabel)})
            QVERIFY(QFontDatabase::hasFamily(text->font().family()));
        QCOMPARE(Player(Local).Tile(1)->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(Table().ConnectButton->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(dialogs.errors.isEmpty());
    }

    void memoHasAFlatBevel()
    {
        RecordedDialogs dialogs;
        auto board = BuildBoard();
        QCOMPARE(Memo()->frameShape(), QFrame::Panel);
        QCOMPARE(Memo()->frameShadow(), QFrame::Plain);
        QCOMPARE(Memo()->lineWidth(), 1);
    }

    void hasSwitch()
    {
        QVERIFY(!HasSwitch("noAtom", {}));
        QVERIFY(HasSwitch("noAtom", {"x", "-noAtom"}));
        QVERIFY(!HasSwitch("noAtom", {"--noAtom"}));
        QVERIFY(!HasSwitch("noAtom", {"-noatom", "-NOATOM"}));
        QVERIFY(!HasSwitch("noAtom", {"noAtom"}));
        QVERIFY(!HasSwitch("noAtom", {"-noAtomic"}));
    }

    void capitalizeName()
    {
        QCOMPARE(CapitalizeName("jOHN"), QStringLiteral("john"));
        QCOMPARE(CapitalizeName("ANDI"), QStringLiteral("Andi"));
        QCOMPARE(CapitalizeName("K"), QStringLiteral("K"));
        QCOMPARE(CapitalizeName(""), QString());
        QCOMPARE(CapitalizeName(QStringLiteral("ÉLÈVE9X")), QStringLiteral("ÉlÈve9x"));
    }
};

QTEST_MAIN(TestMainBoard)
#include "tst_mainboard.moc"
