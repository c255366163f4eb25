#include "ConnectForm.h"
#include "SkinDefinition.h"
#include "SkinEngine.h"
#include "SkinLook.h"
#include "SkinStyle.h"
#include "SkinTestSupport.h"
#include "TestSupport.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTest>

namespace {
QString skinFile() { return ResourceDir() + QStringLiteral("mxskin11.skin"); }

bool skinned() { return qobject_cast<TSkinStyle *>(QApplication::style()) != nullptr; }

// The pointer at a point of the screen, as the widget sees it.
void mouse(QWidget *widget, QEvent::Type type, QPoint global, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(type, widget->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget *widget, QPoint at)
{
    mouse(widget, QEvent::MouseButtonPress, widget->mapToGlobal(at));
    mouse(widget, QEvent::MouseButtonRelease, widget->mapToGlobal(at), Qt::NoButton);
}

QPoint closeButtonOf(const TSkinFrame *frame)
{
    const auto buttons = frame->buttons();
    return buttons.size() == 1 ? buttons[0].rect.center() : QPoint(-1, -1);
}

// A 6 x 3 picture of two 3 x 3 frames; in frame 0 each cell has its own colour.
QImage cells()
{
    QImage image(6, 3, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QColor colours[3][3]
        = {{Qt::red, Qt::green, Qt::red}, {Qt::green, Qt::blue, Qt::green}, {Qt::red, Qt::green, Qt::red}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixelColor(x, y, colours[y][x]);
    return image;
}
}  // namespace

class TestSkin : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordedDialogs> dialogs;
    std::unique_ptr<TMainBoard> board;

    void start(const QList<std::pair<QByteArray, QByteArray>> &changes = {})
    {
        WriteDefaultConfigWith(changes);
        dialogs = std::make_unique<RecordedDialogs>();
        board = BuildBoard();
    }

private slots:
    void initTestCase() { PrepareSuite(); }
    void cleanup()
    {
        board.reset();
        dialogs.reset();
        QFile::remove(skinFile());
        QFile::copy(QStringLiteral(KELMAR_OUT_DIR "/Resource/mxskin11.skin"), skinFile());
    }

    // The board keeps its place and every coordinate inside; the frame lies around it.
    void skinnedBoardIsFramed()
    {
        start();
        QVERIFY(skinned());
        board->show();
        TSkinFrame *frame = SkinFrameOf(board.get());
        QVERIFY(frame && frame->isVisible());
        QCOMPARE(board->geometry(), QRect(112, 84, 800, 600));
        QCOMPARE(frame->geometry(), QRect(106, 56, 812, 634));
        // Its shape is the ring of its four sides around the board.
        for (const QPoint side : {QPoint(300, 10), QPoint(2, 300), QPoint(809, 300), QPoint(400, 631)})
            QVERIFY2(frame->mask().contains(side), qPrintable(QStringLiteral("%1,%2").arg(side.x()).arg(side.y())));
        QVERIFY(!frame->mask().contains(QPoint(400, 300)));
        QCOMPARE(Table().ConnectButton->geometry(), QRect(240, 365, 75, 25));
        QCOMPARE(Memo()->geometry(), QRect(224, 191, 345, 168));
        QCOMPARE(dialogs->errors + dialogs->messages, QStringList());
        QCOMPARE(board->grab().toImage().pixelColor(5, 5), Table().Skin->Definition()->Colours.ButtonFace);

        // Dragged by its caption bar, the board moves and the frame follows.
        const QPoint grip = frame->mapToGlobal(QPoint(300, 10));
        mouse(frame, QEvent::MouseButtonPress, grip);
        mouse(frame, QEvent::MouseMove, grip + QPoint(20, 20));
        mouse(frame, QEvent::MouseMove, grip + QPoint(40, 40));
        mouse(frame, QEvent::MouseButtonRelease, grip + QPoint(40, 40), Qt::NoButton);
        QCOMPARE(board->geometry().topLeft(), QPoint(152, 124));
        QCOMPARE(frame->pos(), QPoint(146, 96));

        // The caption's one button is the close box, which asks before quitting.
        click(frame, closeButtonOf(frame));
        QCOMPARE(dialogs->questions, QStringList{QStringLiteral("Quit the Game?")});
        QVERIFY(board->isVisible());

        board.reset();
        QVERIFY(!skinned());
    }

    void dialogIsFramed()
    {
        start();
        board->show();
        ConnectButtonClick();
        TSkinFrame *frame = SkinFrameOf(ConnectDialog());
        QVERIFY(frame && frame->isVisible());
        click(frame, closeButtonOf(frame));  // runs the dialog's cancel
        QVERIFY(!ConnectDialog()->isVisible() && !frame->isVisible());
        QVERIFY(Table().CloseButton->isEnabled());
    }

    void unskinnedBoardLooksAsBefore()
    {
        start({{"Skin=yes", "Skin=no"}});
        board->show();
        QVERIFY(!skinned() && !SkinFrameOf(board.get()) && !Table().Skin);
        QCOMPARE(board->grab().toImage().pixelColor(5, 5), NamedColor::Teal);
    }

    // A skin that can't be used is reported; every later start-up step is still done.
    void unusableSkinFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing") << QByteArray() << true << QStringLiteral("can't be read");
        QTest::newRow("empty") << QByteArray("") << false << QStringLiteral("too short");
        QTest::newRow("garbage") << QByteArray(300, 'k') << false << QStringLiteral("can't be used");
        const Bytes thick = SkinArchive::Pack(
            {{"skin.ini", BytesOf("[Personality]\nLeft=left.bmp\n")}, {"left.bmp", BitmapOf(4096, 8)}});
        QTest::newRow("frame thicker than a window takes")
            << QByteArray(reinterpret_cast<const char *>(thick.data()), qsizetype(thick.size())) << false
            << QStringLiteral("the left border is 4096 pixels thick");
    }
    void unusableSkinFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, error);
        QFETCH(QString, text);
        QFile::remove(skinFile());
        if (!file.isNull()) {
            QFile out(skinFile());
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
        }
        start();
        const QStringList reports = error ? dialogs->errors : dialogs->messages;
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(text) && reports[0].contains(skinFile()), qPrintable(reports[0]));
        QVERIFY(!skinned());
        QVERIFY(Table().ConnectButton && Table().CloseButton && Table().QuitTitleButton && Table().WatchdogTimer);
        board->show();
        QVERIFY(!SkinFrameOf(board.get()));
    }

    // The unpacking that start-up begins early serves only a load of the very same bytes.
    void unpackingBegunEarlyServesOnlyTheSameBytes()
    {
        QFile shipped(skinFile());
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QByteArray good = shipped.readAll(), damaged = good.left(good.size() / 2);
        for (const auto &[begun, loaded] : {std::pair{good, good}, {damaged, good}, {good, damaged}}) {
            TSkinUnpacking::Begin(begun);
            TSkinStore store;
            store.Add().Stream = loaded;
            TSkinData skin;
            skin.SelectEntry(store, 0);
            QCOMPARE(skin.Loaded(), loaded == good);
        }
    }

    void olderSkinFile()
    {
        QFile::remove(skinFile());
        QFile out(skinFile());
        QVERIFY(out.open(QIODevice::WriteOnly));
        // Content with the format mark 19999, packed as the writer would.
        const Bytes content = ContentOf(19999, 0, "", {}, "");
        Bytes raw{std::uint8_t(content.size()), 0, 0, 0};
        const Bytes packed = Lzhuf::Encode(content);
        raw.insert(raw.end(), packed.begin(), packed.end());
        out.write(reinterpret_cast<const char *>(raw.data()), qsizetype(raw.size()));
        out.close();
        start();
        QCOMPARE(dialogs->messages,
                 QStringList{QStringLiteral("This is Older Skin File\rPlease update to new version !")});
        QVERIFY(!skinned() && Table().ConnectButton);
    }

    // Where the caption bar is see-through, the title's letters are part of the frame's shape.
    void titleShapesASeeThroughCaptionBar()
    {
        auto definition = std::make_shared<TSkinDefinition>();
        const auto picture = [](QSize size, QColor colour) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(colour);
            return image;
        };
        for (TDataSkinBorder *side : {&definition->Left, &definition->Right, &definition->Bottom})
            side->Bitmap = picture({4, 4}, Qt::gray);
        definition->Top.Bitmap = picture({40, 24}, Qt::magenta);
        definition->Top.TransparencyMode = 1;
        definition->Colours.TitleTextActive = definition->Colours.TitleTextInactive = Qt::black;
        QWidget window;
        window.setWindowTitle(QStringLiteral("WWWWWWWW"));
        window.setGeometry(100, 100, 300, 100);
        TSkinFrame frame(&window, std::make_shared<TSkinLook>(definition));
        frame.follow();
        const QRegion shape = frame.mask();
        QVERIFY(shape.intersects(QRect(0, 0, 100, 24)));     // the title's letters
        QVERIFY(!shape.intersects(QRect(200, 0, 100, 24)));  // the bar beyond them
        QVERIFY(shape.contains(QPoint(1, 50)));              // the opaque left side
    }

    void piecesKeepTheirBorderParts()
    {
        TSkinPiece piece{QPixmap::fromImage(cells()), 2, QMargins(1, 1, 1, 1), false};
        const auto draw = [&](QSize size, int frame, bool middle, int band) {
            QImage target(size, QImage::Format_RGB32);
            target.fill(Qt::white);
            QPainter p(&target);
            piece.draw(p, target.rect(), frame, middle, band);
            return target;
        };
        const QImage wide = draw({20, 10}, 0, true, -1);
        for (const QPoint corner : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 9), QPoint(19, 9)})
            QCOMPARE(wide.pixelColor(corner), QColor(Qt::red));
        QCOMPARE(wide.pixelColor(10, 0), QColor(Qt::green));
        QCOMPARE(wide.pixelColor(0, 5), QColor(Qt::green));
        QCOMPARE(wide.pixelColor(1, 1), QColor(Qt::blue));
        QCOMPARE(wide.pixelColor(18, 8), QColor(Qt::blue));
        QCOMPARE(draw({20, 10}, 0, false, -1).pixelColor(10, 5), QColor(Qt::white));
        QCOMPARE(draw({20, 10}, 1, true, -1).pixelColor(10, 5), QColor(Qt::black));
        QCOMPARE(draw({20, 10}, 7, true, -1).pixelColor(10, 5), QColor(Qt::blue));  // no frame 7: frame 0
        QCOMPARE(draw({20, 10}, 0, false, 0).pixelColor(0, 0), QColor(Qt::white));  // squeezed to nothing
    }

    void framesOfStates()
    {
        QStyleOption option;
        const auto frameFor = [&](QStyle::State state, bool isDefault) {
            option.state = state;
            return PushButtonFrame(option, isDefault);
        };
        using S = QStyle::StateFlag;
        QCOMPARE(frameFor(S::State_Enabled, false), 0);
        QCOMPARE(frameFor(S::State_Enabled | S::State_MouseOver, false), 1);
        QCOMPARE(frameFor(S::State_Enabled | S::State_Sunken | S::State_MouseOver, false), 2);
        QCOMPARE(frameFor(S::State_None, false), 3);
        QCOMPARE(frameFor(S::State_Enabled, true), 4);
        QCOMPARE(frameFor(S::State_Enabled | S::State_HasFocus, false), 4);

        const auto indicator = [&](QStyle::State state, int frames) {
            option.state = state;
            return IndicatorFrame(option, frames);
        };
        QCOMPARE(indicator(S::State_Enabled | S::State_Off, 8), 0);
        QCOMPARE(indicator(S::State_Enabled | S::State_On | S::State_MouseOver, 8), 5);
        QCOMPARE(indicator(S::State_Enabled | S::State_On | S::State_Sunken, 8), 6);
        QCOMPARE(indicator(S::State_Off, 8), 3);
        QCOMPARE(indicator(S::State_Enabled | S::State_On, 4), 1);
        QCOMPARE(indicator(S::State_On, 4), 3);
    }
};

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
