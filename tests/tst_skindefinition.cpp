#include "SkinDefinition.h"
#include "SkinTestSupport.h"

#include <QBuffer>
#include <QTest>

namespace {
// Every platform colour distinct, so that a default shows where it came from.
const TSystemColours System{QColor(1, 0, 0), QColor(2, 0, 0),  QColor(3, 0, 0),  QColor(4, 0, 0),
                            QColor(5, 0, 0), QColor(6, 0, 0),  QColor(7, 0, 0),  QColor(8, 0, 0),
                            QColor(9, 0, 0), QColor(10, 0, 0), QColor(11, 0, 0), QColor(12, 0, 0)};

TSkinDefinition read(std::string_view text, const std::vector<SkinArchive::Member> &members = {},
                     TSkinReport *report = nullptr)
{
    std::vector<SkinArchive::Member> all = members;
    all.push_back({"skin.ini", BytesOf(text)});
    return ReadSkinDefinition(text, ReaderOf(all), System, report);
}

const char *const GenericSections[]
    = {"GroupBoxEdge", "Toolbars",    "Tabs",       "StatusBarEdges",  "ComboButton",
       "SunkEdge",     "ExtraImages", "Headerbar",  "MenuItem",        "MenuBackground",
       "Scrollbar",    "HorzScroll",  "VertScroll", "HorzScrollThumb", "VertScrollThumb",
       "UpDown.Horz",  "UpDown.Vert"};
// A picture whose cells of `cell` pixels are magenta and dark in turn.
Bytes checkerboard(int width, int height, int cell)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x / cell + y / cell) % 2 ? 0xFF00FF : 0x202020);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Bytes(bytes.begin(), bytes.end());
}
}  // namespace

class TestSkinDefinition : public QObject {
    Q_OBJECT
private slots:
    // Skins that would end the program through the window system, or cost hundreds of
    // megabytes in frames, are refused; what a window can take passes.
    void windowLimits_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("cell");  // 0: one colour
        QTest::addColumn<QString>("refusal");
        QTest::newRow("4096 pixel side") << QByteArray("Left=p.bmp") << 4096 << 40 << 0
                                         << "the left border is 4096 pixels thick, more than 32";
        QTest::newRow("two frames of 32") << QByteArray("Right=p.bmp\nRightFrame=2") << 64 << 600 << 0 << "";
        QTest::newRow("caption of 65") << QByteArray("Top=p.bmp") << 300 << 65 << 0 << "the top border is 65 pixels";
        QTest::newRow("4096 pixel bottom") << QByteArray("Bottom=p.bmp") << 100 << 4096 << 0 << "the bottom border";
        QTest::newRow("see-through checkerboard") << QByteArray("Left=p.bmp") << 32 << 4096 << 1 << "more than 1024";
        QTest::newRow("checkerboard drawn solid") << QByteArray("Left=p.bmp\nLeftTrans=0") << 32 << 4096 << 1 << "";
        QTest::newRow("coarse see-through") << QByteArray("Top=p.bmp") << 600 << 26 << 13 << "";
        QTest::newRow("checkerboard caption button")
            << QByteArray("[Button1]\nButtonImage=p.bmp") << 60 << 60 << 1 << "see-through shape";
    }
    void windowLimits()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, cell);
        QFETCH(QString, refusal);
        const Bytes picture = cell ? checkerboard(width, height, cell) : BitmapOf(width, height);
        const TSkinDefinition d = read("[Personality]\n" + text.toStdString() + "\n", {{"p.bmp", picture}});
        const QStringList problems = WindowLimitProblems(d);
        QCOMPARE(problems.size(), refusal.isEmpty() ? 0 : 1);
        QVERIFY2(problems.join(';').contains(refusal), qPrintable(problems.join(';')));
    }

    // Pictures beyond the skin's total are left out, each named in the report.
    void manyLargeBitmaps()
    {
        std::string text = "[Personality]\n";
        for (const char *key : {"Top", "Left", "Right", "Bottom", "TextBack"})
            text += key + std::string("=big.bmp\n");
        TSkinReport report;
        const TSkinDefinition d = read(text, {{"big.bmp", BitmapOf(1024, 1024)}}, &report);
        QVERIFY(!d.Top.Bitmap.isNull() && !d.Bottom.Bitmap.isNull() && d.Title.Bitmap.isNull());
        QCOMPARE(report.bitmaps.back().problem,
                 QStringLiteral("the skin's pictures together are larger than a skin may hold"));
    }

    // The largest definition a skin may hold, of many sections or of many keys, reads
    // with the first occurrence counting (its time is measured by bench_skindefinition).
    void largestDefinitions()
    {
        for (const std::string line : {"[Section", "Key"}) {
            std::string text = "[Colours]\nButtonFace=1 2 3\n";
            for (int i = 0; text.size() < SkinLimits::MaxDefinitionSize - 100; ++i)
                text += line + std::to_string(i) + (line == "Key" ? "=1\n" : "]\n");
            text += "[COLOURS]\nButtonFace=9 9 9\nWindowText=4 5 6\n";
            const TSkinDefinition d = ReadSkinDefinition(text, TSkinReader(), System);  // packing it takes long
            QCOMPARE(d.Colours.ButtonFace, QColor(1, 2, 3));
            QCOMPARE(d.Colours.WindowText, QColor(4, 5, 6));
        }
    }

    void defaultsWhenEveryOptionalKeyIsMissing()
    {
        std::string text = "[Personality]\nTop=top.bmp\nmenuBar=x.bmp\n[Progress]\nBitmap=x.bmp\n";
        for (const char *section : GenericSections)
            text += std::string("[") + section + "]\nImage=x.bmp\n";
        const TSkinDefinition d = read(text, {{"top.bmp", BitmapOf(30, 20)}, {"x.bmp", BitmapOf(40, 8)}});

        QVERIFY(d.Name.isEmpty());
        QVERIFY(!d.Top.Bitmap.isNull() && d.Left.Bitmap.isNull());
        for (const TDataSkinBorder *b : {&d.Left, &d.Right, &d.Top, &d.Bottom}) {
            QCOMPARE(std::tuple(b->FrameCount, b->TilingMode, b->TransparencyMode), std::tuple(1, 1, 1));
            QCOMPARE(std::tuple(b->LeftWidth, b->TopHeight, b->RightWidth, b->BottomHeight), std::tuple(0, 0, 0, 0));
        }
        const TSkinColours &c = d.Colours;
        const QList<QColor> colours{
            c.WindowText,     c.ButtonFace,  c.Scrollbar,       c.HilightText,      c.Hilight,     c.Menubar,
            c.Menu,           c.MenuText,    c.ButtonText,      c.ButtonHilight,    c.Buttonlight, c.ButtonShadow,
            c.ButtonDkShadow, c.MenuBarText, c.TitleTextActive, c.TitleTextInactive};
        const QList<QColor> expected{
            System.WindowText,   System.ButtonFace,    System.Scrollbar,     System.HilightText,
            System.Hilight,      System.ButtonFace,    System.Menu,          System.MenuText,
            System.ButtonText,   System.ButtonHilight, System.ButtonHilight, System.ButtonShadow,
            System.ButtonShadow, System.Menu,          System.CaptionText,   System.InactiveCaptionText};
        QCOMPARE(colours, expected);
        QCOMPARE(d.FaceBrush.color(), System.ButtonFace);

        QCOMPARE(d.CaptionButtons.size(), 3u);  // only the three added ones
        for (int i = 0; i < 3; ++i) {
            const TDataSkinSysButton &b = d.CaptionButtons[std::size_t(i)];
            QCOMPARE(std::tuple(b.Action, b.Alignment, b.Visibility, b.Visibility2, b.FrameCount),
                     std::tuple(7 + i, 100, 100, 100, 4));
            QVERIFY(b.Bitmap.isNull());
        }
        QCOMPARE(std::tuple(d.Buttons.FrameCount, d.Buttons.NormalColour, d.Buttons.RadioButtonFrames,
                            d.Buttons.CheckBoxFrames),
                 std::tuple(5, -1, 4, 4));
        QCOMPARE(d.Buttons.PressedColour2, System.ButtonText);
        QCOMPARE(std::tuple(d.Title.FrameCount, d.Title.FontHeight, d.Title.TextAlignment), std::tuple(2, 14, 0));
        QVERIFY(!d.Title.ActiveText && !d.Title.InactiveText);
        QCOMPARE(std::tuple(d.MenuBar->LeftWidth, d.MenuBar->RightWidth, d.MenuBar->TilingMode), std::tuple(1, 1, 0));

        const std::pair<const std::optional<TDataSkinObject> *, int> frames[]
            = {{&d.Progress, 2},       {&d.MenuBar, 2},    {&d.GroupBoxEdge, 2},    {&d.Toolbars, 5},
               {&d.ExtraImages, 5},    {&d.Headerbar, 5},  {&d.MenuItem, 5},        {&d.StatusBarEdges, 3},
               {&d.ComboButton, 4},    {&d.SunkEdge, 4},   {&d.HorzScroll, 4},      {&d.VertScroll, 4},
               {&d.MenuBackground, 1}, {&d.Scrollbar, 23}, {&d.HorzScrollThumb, 3}, {&d.VertScrollThumb, 3}};
        for (const auto &[slot, count] : frames) {
            QVERIFY(slot->has_value());
            QCOMPARE((*slot)->FrameCount, count);
            QCOMPARE((*slot)->NormalColour2, System.ButtonText);
        }
        QCOMPARE(std::tuple(d.Tabs->FrameCount, d.UpDownHorz->FrameCount, d.UpDownVert->FrameCount),
                 std::tuple(5, 8, 8));
        QCOMPARE(d.Scrollbar->SectionName, QStringLiteral("Scrollbar"));
    }

    void emptyDefinitionLeavesEverySlotEmpty()
    {
        const TSkinDefinition d = read("");
        QVERIFY(!d.Progress && !d.MenuBar && !d.Scrollbar && !d.Tabs && !d.UpDownVert);
        QVERIFY(d.Top.Bitmap.isNull() && d.SchemeColours.empty());
    }

    void captionButtons()
    {
        const TSkinDefinition d
            = read("[Button.Close]\nButtonImage=b60.bmp\nAction=0\nAlign=1\nXcoord=28\n"
                   "[button.wide]\nButtonImage=b120.bmp\n"
                   "[ButtonNegative]\nButtonImage=b60.bmp\nAction=-1\n"
                   "[ButtonHelp]\nButtonImage=b60.bmp\nAction=3\n"
                   "[ButtonFive]\nButtonImage=b60.bmp\nframe=5\n"
                   "[ButtonBare]\n"
                   "[Buttons]\n[button.radio]\n[Button.Checkbox]\n"
                   "[MDICONTROLS]\nImage=mdi.bmp\n",
                   {{"b60.bmp", BitmapOf(60, 20)}, {"b120.bmp", BitmapOf(120, 20)}, {"mdi.bmp", BitmapOf(96, 14)}});
        QCOMPARE(d.CaptionButtons.size(), 9u);
        const std::tuple<QString, int, bool> expected[]
            = {{"BUTTON.CLOSE", 3, true}, {"BUTTON.WIDE", 6, true}, {"BUTTONNEGATIVE", 6, true},
               {"BUTTONHELP", 3, false},  {"BUTTONFIVE", 5, true},  {"BUTTONBARE", 6, false}};
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            const TDataSkinSysButton &b = d.CaptionButtons[i];
            QCOMPARE(std::tuple(b.SectionName, b.FrameCount, !b.Bitmap.isNull()), expected[i]);
        }
        QCOMPARE(std::tuple(d.CaptionButtons[0].Alignment, d.CaptionButtons[0].X, d.CaptionButtons[0].CombineMode),
                 std::tuple(1, 28, -1));
        for (int i = 0; i < 3; ++i) {
            const TDataSkinSysButton &b = d.CaptionButtons[6 + std::size_t(i)];
            QCOMPARE(b.Bitmap.size(), QSize(32, 14));
            QCOMPARE(b.X, 36 - 12 * i);
        }
    }

    void coloursAndTitleText()
    {
        const TSkinDefinition d = read("[Colour1]\ncolor=255 0 0\n[Colours]\nButtonFace= 1,2,3 \n[colour2]\n"
                                       "[Personality]\nActiveTextR=255\nActiveTextG=255\n"
                                       "InActiveTextR=1\nInActiveTextG=2\nInActiveTextB=3\n");
        QCOMPARE(d.SchemeColours, (std::vector<QColor>{QColor(255, 0, 0), System.WindowText}));
        QCOMPARE(d.Colours.ButtonFace, QColor(1, 2, 3));
        QCOMPARE(d.Colours.Menubar, QColor(1, 2, 3));
        QCOMPARE(d.Colours.MenuText, QColor(1, 2, 3));  // the ButtonFace text is its default
        QVERIFY(!d.Title.ActiveText);                   // blue is missing
        QCOMPARE(d.Title.InactiveText, std::optional<QColor>(QColor(1, 2, 3)));
    }

    void colourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("blanks") << "192 192 192" << QColor(192, 192, 192);
        QTest::newRow("commas, outer blanks") << " 1,2,3 " << QColor(1, 2, 3);
        QTest::newRow("two separators") << "1  2 3" << QColor();
        QTest::newRow("two numbers") << "1 2" << QColor();
        QTest::newRow("four numbers") << "1 2 3 4" << QColor();
        QTest::newRow("past 255") << "256 0 0" << QColor();
        QTest::newRow("letters") << "a b c" << QColor();
        QTest::newRow("empty") << "" << QColor();
    }
    void colourTexts()
    {
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        QCOMPARE(ParseColourText(text.toStdString()).value_or(QColor()), colour);
    }

    void bitmapNames_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("picture");
        QTest::newRow("a folder before the name") << "skin\\frame.bmp" << true;
        QTest::newRow("a drive and folders") << "C:\\skins/frame.bmp" << true;
        QTest::newRow("the name in other case") << "Frame.bmp" << true;
        QTest::newRow("the extension in capitals") << "frame.BMP" << false;
        QTest::newRow("another extension after it") << "frame.bmp.old" << false;
        QTest::newRow("no extension") << "frame" << false;
        QTest::newRow("no such member") << "missing.bmp" << false;
        QTest::newRow("not a bitmap") << "garbage.bmp" << false;
        QTest::newRow("an empty member") << "empty.bmp" << false;
        QTest::newRow("30000 pixels wide") << "wide.bmp" << false;
    }
    void bitmapNames()
    {
        QFETCH(QString, value);
        QFETCH(bool, picture);
        TSkinReport report;
        const TSkinDefinition d = read("[Personality]\nTop=" + value.toStdString() + "\n",
                                       {{"FRAME.bmp", BitmapOf(12, 6)},
                                        {"garbage.bmp", BytesOf("BM this is no picture at all")},
                                        {"empty.bmp", {}},
                                        {"wide.bmp", BitmapOf(30000, 1)}},
                                       &report);
        QCOMPARE(!d.Top.Bitmap.isNull(), picture);
        QCOMPARE(report.bitmaps.size(), 1u);
        QCOMPARE(report.bitmaps[0].problem.isEmpty(), picture);
    }

    void imageKeyMakesTheObject()
    {
        QVERIFY(!read("[Scrollbar]\nLeftWidth=3\nTrans=1\n").Scrollbar);
        QVERIFY(!read("[Scrollbar]\nImage=\n").Scrollbar);
        const TSkinDefinition d = read("[Scrollbar]\nImage=missing.bmp\nLeftWidth=3\n");
        QVERIFY(d.Scrollbar && d.Scrollbar->Bitmap.isNull());
        QCOMPARE(d.Scrollbar->LeftWidth, 3);
        QVERIFY(!read("[Progress]\nLeftWidth=3\n").Progress);
    }

    void numbersAndRanges()
    {
        TSkinReport report;
        const TSkinDefinition d
            = read("[SunkEdge]\nImage=e.bmp\nLeftWidth=abc\nTopHeight=0x2\nRightWidth=$3\n"
                   "BottomHeight=11\nNormalColour=$FF\n[VertScrollThumb]\nImage=e.bmp\nFrameCount=0\n"
                   "[Mystery]\nkey=1\n",
                   {{"e.bmp", BitmapOf(48, 12)}}, &report);
        QCOMPARE(std::tuple(d.SunkEdge->LeftWidth, d.SunkEdge->TopHeight, d.SunkEdge->RightWidth), std::tuple(0, 2, 3));
        QCOMPARE(d.SunkEdge->NormalColour, 255);
        QCOMPARE(d.VertScrollThumb->FrameCount, 0);
        QCOMPARE(report.sectionsUnknown, QStringList{QStringLiteral("Mystery")});
        const QString problems = report.problems.join(QLatin1Char('\n'));
        QVERIFY2(problems.contains(QStringLiteral("SunkEdge.LeftWidth is no number")), qPrintable(problems));
        QVERIFY2(problems.contains(QStringLiteral("SunkEdge border parts 0, 2, 3, 11 do not fit")),
                 qPrintable(problems));
        QVERIFY2(problems.contains(QStringLiteral("VertScrollThumb frame count 0")), qPrintable(problems));
        QCOMPARE(report.problems.size(), 3);
    }
};

QTEST_MAIN(TestSkinDefinition)
#include "tst_skindefinition.moc"
