#include "TestSupport.h"

#include "About.h"
#include "Card_Prototype.h"
#include "LabelLook.h"
#include "Methods.h"
#include "Splash.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

namespace {
// The lowest contrast between a label's colour and the pixels right around its text, as
// the window shows it: a frame around the text's glyphs, inside the label.
double contrastAroundText(QWidget *window, QLabel *label)
{
    const QImage image = window->grab(QRect(label->mapTo(window, QPoint(0, 0)), label->size())).toImage();
    const QFontMetrics metrics = label->fontMetrics();
    const QRect line = QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                                           metrics.size(Qt::TextSingleLine, label->text()), label->contentsRect());
    const QRect glyphs
        = metrics.tightBoundingRect(label->text()).translated(line.left(), line.top() + metrics.ascent());
    // The glyphs' edges blend into one more pixel around them.
    const QRect ring = glyphs.adjusted(-2, -2, 2, 2) & image.rect(), edges = glyphs.adjusted(-1, -1, 1, 1);
    double lowest = 21;
    for (int y = ring.top(); y <= ring.bottom(); ++y)
        for (int x = ring.left(); x <= ring.right(); ++x)
            if (!edges.contains(x, y))
                lowest = std::min(lowest, ContrastRatio(LabelColor(label), image.pixelColor(x, y)));
    return lowest;
}
}  // namespace

// What the player sees: readable labels with and without the skin, visible buttons.
class TestLook : public QObject {
    Q_OBJECT

    BoardCase fixture;

private slots:
    void initTestCase() { PrepareSuite(); }
    void cleanup()
    {
        CloseAboutBox();
        CloseSplash();
        fixture.end();
    }

    void contrastRatios()
    {
        const QList<std::tuple<QColor, QColor, double>> cases{
            {NamedColor::Black, NamedColor::White, 21.0}, {NamedColor::White, NamedColor::White, 1.0},
            {NamedColor::Red, NamedColor::White, 3.998},  {NamedColor::Lime, NamedColor::Black, 15.3},
            {NamedColor::Blue, NamedColor::Black, 2.444},
        };
        for (const auto &[a, b, ratio] : cases) {
            QVERIFY2(qAbs(ContrastRatio(a, b) - ratio) < 0.01, qPrintable(a.name() + b.name()));
            QCOMPARE(ContrastRatio(a, b), ContrastRatio(b, a));
        }
        for (const QColor &text : {NamedColor::Black, NamedColor::Red, NamedColor::Lime})
            QVERIFY(ContrastRatio(text, PlateFor(text)) >= 4.5);
    }

    // The board asks for its Windows families by the font that stands in for them: the
    // face the toolkit would have reached by itself, and one that is installed. A control
    // given a Windows family before the fonts were looked up takes it then, at its size.
    void boardFontsAreTheFacesTheToolkitWouldReach()
    {
        for (const char *family : {"MS Sans Serif", "verdana", "Comic Sans MS", "Comic Sans Ms"}) {
            QWidget window;
            auto *label = new QLabel(&window);
            QFont named(QString::fromLatin1(family));
            named.setPixelSize(13);
            label->setFont(named);
            ResolveBoardFonts(&window);
            for (const QFont &chosen : {BoardFont(named.family()), label->font()}) {
                QVERIFY2(QFontDatabase::hasFamily(chosen.family()), family);
                QCOMPARE(QFontInfo(chosen).family(), QFontInfo(QFont(QString::fromLatin1(family))).family());
            }
            QCOMPARE(label->font().pixelSize(), 13);
        }
    }

    // Under the shipped skin each seat label and the status label reads against what
    // stands behind it, in every colour it takes; without the skin nothing stands there.
    void boardLabelsReadWithAndWithoutTheSkin()
    {
        for (const bool skin : {true, false}) {
            fixture.start({{"Skin=yes", skin ? "Skin=yes" : "Skin=no"}});
            fixture.board->show();
            const QList<std::tuple<QLabel *, QColor, double>> cases{
                {Table().OwnNameLabel, NamedColor::Black, 4.5}, {Table().LeftLabel, NamedColor::Black, 4.5},
                {Table().TopLabel, NamedColor::Red, 3.0},       {Table().RightLabel, NamedColor::Black, 4.5},
                {Table().StatusLabel, NamedColor::Red, 3.0},    {Table().StatusLabel, NamedColor::Lime, 3.0},
            };
            for (const auto &[label, colour, least] : cases) {
                SetLabelColor(label, colour);
                const double contrast = contrastAroundText(fixture.board.get(), label);
                const QString what = label->text() + QLatin1Char(' ') + colour.name();
                if (skin)
                    QVERIFY2(contrast >= least, qPrintable(what + QStringLiteral(": %1").arg(contrast)));
                else  // the board's own colour right around the text
                    QVERIFY2(contrast == ContrastRatio(colour, NamedColor::Teal), qPrintable(what));
            }
            cleanup();
        }
    }

    // Colours that the program gives its texts stay when the skin brings its own.
    void aboutBoxAndSplashKeepTheirColours()
    {
        fixture.start();
        const QColor skinText = QApplication::palette().color(QPalette::WindowText);
        QVERIFY(skinText != NamedColor::Black);
        OpenAboutBox(QStringLiteral("1.5"));
        QMap<QString, QColor> colours;
        for (QLabel *label : AboutBox()->findChildren<QLabel *>())
            if (!label->text().isEmpty())  // the picture has none
                colours[label->text()] = LabelColor(label);
        const QMap<QString, QColor> expected{
            {QStringLiteral("1.5"), SystemTextColor()},
            {QString::fromLatin1(ProjectWebPage), NamedColor::Blue},
            {QStringLiteral("Designed and written by the Kelmar team"), NamedColor::Black},
            {QStringLiteral("Free to play, share and change."), NamedColor::Black},
            {QStringLiteral("Credits:"), NamedColor::Black},
            {AboutCreditsLine()->text(), NamedColor::Black},
        };
        QCOMPARE(colours, expected);
        QVERIFY(ShowSplash(QStringLiteral("Initializing Skin. . .")));
        QLabel *caption = nullptr;
        for (QLabel *label : SplashWindow()->findChildren<QLabel *>())
            caption = label->pos() == QPoint(5, 190) ? label : caption;
        QVERIFY(caption && LabelColor(caption) == SystemTextColor());
        QVERIFY(contrastAroundText(SplashWindow(), caption) >= 4.5);
    }

    // Without the skin the flat buttons are framed, and their face follows the mouse and
    // the press.
    void unskinnedButtonsAreVisible()
    {
        fixture.start({{"Skin=yes", "Skin=no"}});
        fixture.board->show();
        QPushButton *button = Table().ConnectButton;
        const QImage normal = button->grab().toImage();
        QCOMPARE(normal.pixelColor(0, 12).rgb(), button->palette().color(QPalette::Shadow).rgb());
        QVERIFY(normal.pixelColor(10, 3).rgb() != NamedColor::Teal.rgb());
        button->setAttribute(Qt::WA_UnderMouse, true);
        const QImage hovered = button->grab().toImage();
        button->setDown(true);
        const QImage pressed = button->grab().toImage();
        QVERIFY(hovered != normal && pressed != normal && pressed != hovered);

        // The memo comes first in the tab order, though it is built after the buttons, and
        // the board's buttons follow it, the later one first.
        QList<QWidget *> chain;
        for (QWidget *w = fixture.board->nextInFocusChain(); w != fixture.board.get(); w = w->nextInFocusChain())
            if (w->window() == fixture.board.get() && (w->focusPolicy() & Qt::TabFocus))
                chain << w;
        QCOMPARE(chain.mid(0, 3), (QList<QWidget *>{Memo(), Table().CloseButton, Table().ConnectButton}));
    }

    // An animation's frame reaches the window at once, and never over a control that
    // stands above the picture.
    void framesShowAtOnceButNeverOverAControlAbove()
    {
        QWidget window;
        window.resize(100, 40);
        auto *picture = new TImage(&window);
        picture->setGeometry(0, 0, 60, 40);
        auto *above = new QWidget(&window);
        above->setGeometry(40, 0, 60, 40);
        above->setAutoFillBackground(true);
        above->setPalette(QPalette(Qt::blue));
        above->hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto filled = [](Qt::GlobalColor colour, int width = 60) {
            QPixmap pixmap(width, 40);
            pixmap.fill(colour);
            return pixmap;
        };
        const auto shown
            = [&window](int x) { return window.screen()->grabWindow(window.winId()).toImage().pixelColor(x, 20); };
        const QColor background = shown(80);
        picture->ShowNow(filled(Qt::red, 100));  // wider than the control
        QCOMPARE(shown(50), QColor(Qt::red));    // no turn of the event loop
        QCOMPARE(shown(80), background);
        above->show();
        QTRY_COMPARE(shown(50), QColor(Qt::blue));
        picture->ShowNow(filled(Qt::green));
        QCOMPARE(shown(20), QColor(Qt::green));
        QCOMPARE(shown(50), QColor(Qt::blue));
    }
};

QTEST_MAIN(TestLook)
#include "tst_look.moc"
