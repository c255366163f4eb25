#include "SkinDefinition.h"

#include "IniText.h"
#include "SkinArchive.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <set>
#include <unordered_map>

namespace {
bool blank(char c) { return c == ' ' || c == '\t'; }

QString latin1(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

std::string upper(std::string_view text)
{
    std::string result(text);
    for (char &c : result)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return result;
}

// Reads one definition into a TSkinDefinition, noting what it finds in a report.
class DefinitionReader {
public:
    DefinitionReader(std::string_view text, const TSkinReader &members, TSkinReport &report)
        : ini_(text), members_(members), report_(report)
    {
        for (std::size_t i = 0; i < ini_.Sections().size(); ++i)
            sectionIndex_.emplace(upper(ini_.Sections()[i]), i);
    }

    bool wasRead(std::size_t section) const { return read_.contains(section); }

    std::optional<std::string> value(std::string_view section, std::string_view key)
    {
        noteSection(section);
        return ini_.Value(section, key);
    }

    int integer(std::string_view section, std::string_view key, int def)
    {
        const auto text = value(section, key);
        if (!text)
            return def;
        const auto number = ParseIniInteger(*text);
        if (!number) {
            problem(section, key, "is no number: " + latin1(*text));
            return def;
        }
        // Hexadecimal numbers use all 32 bits, as colour integers do.
        return std::int32_t(std::uint32_t(*number));
    }

    QColor colour(std::string_view section, std::string_view key, const QColor &def)
    {
        return colourFromText(section, key, value(section, key).value_or(std::string()), def);
    }

    QColor colourFromText(std::string_view section, std::string_view key, const std::string &text, const QColor &def)
    {
        if (text.empty())
            return def;
        if (const auto parsed = ParseColourText(text))
            return *parsed;
        problem(section, key, "is no colour (three numbers of 0 to 255): " + latin1(text));
        return def;
    }

    // Step 5 of a load: reduce the value to a file name, accept only ".bmp" and a member
    // that is a Windows bitmap of sane size; anything else clears the picture.
    QImage bitmap(std::string_view section, std::string_view key)
    {
        const std::string text = value(section, key).value_or(std::string());
        if (text.empty())
            return {};
        TSkinReport::Bitmap &use
            = report_.bitmaps.emplace_back(TSkinReport::Bitmap{where(section, key), latin1(text), QString()});
        const std::string_view name = BitmapFileName(text);
        const std::size_t dot = name.rfind('.');
        if (name.empty() || dot == std::string_view::npos || name.substr(dot) != ".bmp") {
            use.problem = QStringLiteral("not a file name ending in .bmp");
            return {};
        }
        const auto bytes = members_.FindExact(name);
        if (bytes.empty()) {
            use.problem = QStringLiteral("no such member in the archive");
            return {};
        }
        QImage image = decode(bytes, use.problem);
        if (!image.isNull())
            pixels_ += qint64(image.width()) * image.height();
        return image;
    }

    void object(TDataSkinObject &o, std::string_view section)
    {
        o.SectionName = latin1(section);
        o.LeftWidth = integer(section, "LeftWidth", 0);
        o.RightWidth = integer(section, "RightWidth", 0);
        o.TopHeight = integer(section, "TopHeight", 0);
        o.BottomHeight = integer(section, "BottomHeight", 0);
        o.TransparencyMode = integer(section, "Trans", 0);
        o.TilingMode = integer(section, "Tile", 0);
        o.NormalColour = integer(section, "NormalColour", -1);
        o.MouseOverColour = integer(section, "MouseOverColour", -1);
        o.PressedColour = integer(section, "PressedColour", -1);
        secondColours(o, section);
    }

    // An object whose section has no keys for its second colours still has them.
    TDataSkinObject unreadColours() const
    {
        TDataSkinObject o;
        o.NormalColour2 = o.MouseOverColour2 = o.PressedColour2 = defaultColour;
        return o;
    }

    void secondColours(TDataSkinObject &o, std::string_view section)
    {
        o.NormalColour2 = colour(section, "NormalColour2", defaultColour);
        o.MouseOverColour2 = colour(section, "MouseOverColour2", defaultColour);
        o.PressedColour2 = colour(section, "PressedColour2", defaultColour);
    }

    // An object that exists only when the key names its picture; the caller reads the
    // rest of it.
    std::optional<TDataSkinObject> pictureObject(std::string_view section, std::string_view key)
    {
        if (value(section, key).value_or(std::string()).empty())
            return std::nullopt;
        TDataSkinObject o = unreadColours();
        o.SectionName = latin1(section);
        o.Bitmap = bitmap(section, key);
        return o;
    }

    // A generic section: no object without an Image.
    template <typename T> std::optional<T> genericObject(std::string_view section)
    {
        if (value(section, "Image").value_or(std::string()).empty())
            return std::nullopt;
        T o;
        o.Bitmap = bitmap(section, "Image");
        object(o, section);
        return o;
    }

    void problem(std::string_view section, std::string_view key, const QString &text)
    {
        report_.problems << where(section, key) + QLatin1Char(' ') + text;
    }
    void problem(const QString &text) { report_.problems << text; }

    const IniText &ini() const { return ini_; }
    TSkinReport &report() { return report_; }

    QColor defaultColour;  // the second colours' default: the colour set's ButtonText

private:
    static QString where(std::string_view section, std::string_view key)
    {
        return latin1(section) + QLatin1Char('.') + latin1(key);
    }

    // Each section of the text that a lookup reaches, once, as the text spells it.
    void noteSection(std::string_view section)
    {
        const auto known = sectionIndex_.find(upper(section));
        if (known != sectionIndex_.end() && read_.insert(known->second).second)
            report_.sectionsRead << QString::fromStdString(ini_.Sections()[known->second]);
    }

    QImage decode(std::span<const std::uint8_t> bytes, QString &problem)
    {
        QByteArray data
            = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        reader.setAutoDetectImageFormat(false);  // a skin's pictures are bitmaps, and no plugin is asked
        const QSize size = reader.size();
        if (!reader.canRead() || !size.isValid()) {
            problem = QStringLiteral("not a Windows bitmap");
            return {};
        }
        const qint64 count = qint64(size.width()) * size.height();
        if (size.width() > SkinLimits::MaxBitmapSide || size.height() > SkinLimits::MaxBitmapSide
            || count > SkinLimits::MaxBitmapPixels) {
            problem = QStringLiteral("%1 x %2 pixels, larger than a skin picture may be")
                          .arg(size.width())
                          .arg(size.height());
            return {};
        }
        if (pixels_ + count > SkinLimits::MaxSkinPixels) {
            problem = QStringLiteral("the skin's pictures together are larger than a skin may hold");
            return {};
        }
        QImage image = reader.read();
        if (image.isNull())
            problem = QStringLiteral("not a Windows bitmap: ") + reader.errorString();
        return image;
    }

    IniText ini_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // by the name in capitals
    std::set<std::size_t> read_;
    const TSkinReader &members_;
    TSkinReport &report_;
    qint64 pixels_ = 0;
};

void readBorder(DefinitionReader &in, TDataSkinBorder &border, std::string_view name)
{
    const std::string n(name);
    const bool vertical = name == "Left" || name == "Right";
    border.SectionName = latin1(name);
    const int top = in.integer("Personality", n + "TopHeight", 0);
    const int bottom = in.integer("Personality", n + "BotHeight", 0);
    (vertical ? border.TopHeight : border.LeftWidth) = top;
    (vertical ? border.BottomHeight : border.RightWidth) = bottom;
    border.FrameCount = in.integer("Personality", n + "Frame", 1);
    border.TilingMode = in.integer("Personality", n + "Stretch", 1);
    border.TransparencyMode = in.integer("Personality", n + "Trans", 1);
    border.Bitmap = in.bitmap("Personality", n);
}

void readColours(DefinitionReader &in, const TSystemColours &system, TSkinColours &c)
{
    constexpr std::string_view s = "Colours";
    c.WindowText = in.colour(s, "WindowText", system.WindowText);
    c.ButtonFace = in.colour(s, "ButtonFace", system.ButtonFace);
    c.Scrollbar = in.colour(s, "Scrollbar", system.Scrollbar);
    c.HilightText = in.colour(s, "HilightText", system.HilightText);
    c.Hilight = in.colour(s, "Hilight", system.Hilight);
    c.Menubar = in.colour(s, "Menubar", c.ButtonFace);
    c.Menu = in.colour(s, "Menu", system.Menu);
    const std::string faceText = in.value(s, "ButtonFace").value_or(std::string());
    c.MenuText = in.colourFromText(s, "MenuText", in.value(s, "MenuText").value_or(faceText), system.MenuText);
    c.ButtonText = in.colour(s, "ButtonText", system.ButtonText);
    c.ButtonHilight = in.colour(s, "ButtonHilight", system.ButtonHilight);
    c.Buttonlight = in.colour(s, "Buttonlight", system.ButtonHilight);
    c.ButtonShadow = in.colour(s, "ButtonShadow", system.ButtonShadow);
    c.ButtonDkShadow = in.colour(s, "ButtonDkShadow", system.ButtonShadow);
    c.MenuBarText = in.colour(s, "MenuBarText", system.Menu);
    // Both title colours come from the one key.
    c.TitleTextActive = in.colour(s, "TitleTextActive", system.CaptionText);
    c.TitleTextInactive = in.colour(s, "TitleTextActive", system.InactiveCaptionText);
}

std::vector<QColor> readSchemeColours(DefinitionReader &in, const QColor &def)
{
    std::vector<QColor> colours;
    for (const std::string &section : in.ini().Sections()) {
        const std::string name = upper(section);
        if (!name.starts_with("COLOUR") || name == "COLOURS")
            continue;
        if (colours.size() == SkinLimits::MaxSchemeColours) {
            in.problem(QStringLiteral("more than %1 colour sections; the rest are left out")
                           .arg(SkinLimits::MaxSchemeColours));
            break;
        }
        colours.push_back(in.colour(section, "color", def));
    }
    return colours;
}

// Frame counts 0 become 3 or 6 by the picture's shape; the three buttons of a child
// window's controls follow, their pictures cut from MDICONTROLS.
std::vector<TDataSkinSysButton> readCaptionButtons(DefinitionReader &in)
{
    std::vector<TDataSkinSysButton> buttons;
    for (const std::string &section : in.ini().Sections()) {
        const std::string name = upper(section);
        if (!name.starts_with("BUTTON") || name == "BUTTONS" || name == "BUTTON.RADIO" || name == "BUTTON.CHECKBOX")
            continue;
        if (buttons.size() == SkinLimits::MaxCaptionButtons) {
            in.problem(QStringLiteral("more than %1 caption buttons; the rest are left out")
                           .arg(SkinLimits::MaxCaptionButtons));
            break;
        }
        TDataSkinSysButton &b = buttons.emplace_back();
        b.SectionName = QString::fromStdString(name);
        b.Action = in.integer(section, "Action", 0);
        b.Alignment = in.integer(section, "Align", 0);
        b.X = in.integer(section, "Xcoord", 0);
        b.Y = in.integer(section, "Ycoord", 0);
        b.Visibility = in.integer(section, "Visibility", 0);
        b.Visibility2 = in.integer(section, "Visibility1", 0);
        b.CombineMode = in.integer(section, "CombineOp", -1);
        b.FrameCount = in.integer(section, "frame", 0);
        b.Bitmap = in.bitmap(section, "ButtonImage");
        if (b.FrameCount != 0)
            continue;
        b.FrameCount = 6;
        if (!b.Bitmap.isNull())
            b.FrameCount = double(b.Bitmap.width()) / b.Bitmap.height() <= 3.8 ? 3 : 6;
        if (b.Action < 0)
            b.FrameCount = 6;
        if (b.Action == 3 || b.Action == 11)
            b.Bitmap = QImage();
    }
    const std::size_t first = buttons.size();
    for (const int action : {7, 8, 9}) {
        TDataSkinSysButton &b = buttons.emplace_back();
        b.SectionName = QStringLiteral("MDICONTROLS");
        b.Action = action;
        b.Alignment = b.Visibility = b.Visibility2 = 100;
        b.FrameCount = 4;
    }
    const QImage controls = in.bitmap("MDICONTROLS", "Image");
    if (!controls.isNull()) {
        const int a = controls.width() / 12;
        for (int i = 0; i < 3; ++i) {
            TDataSkinSysButton &b = buttons[first + std::size_t(i)];
            b.Bitmap = controls.copy(4 * a * i, 0, 4 * a, controls.height());
            b.X = (a + 4) * (3 - i);
        }
    }
    return buttons;
}

void readButtons(DefinitionReader &in, TDataSkinButton &b)
{
    constexpr std::string_view s = "Buttons";
    b.SectionName = latin1(s);
    b.LeftWidth = in.integer(s, "LeftWidth", 0);
    b.RightWidth = in.integer(s, "RightWidth", 0);
    b.TopHeight = in.integer(s, "TopHeight", 0);
    b.BottomHeight = in.integer(s, "BottomHeight", 0);
    b.TransparencyMode = in.integer(s, "Trans", 0);
    b.Bitmap = in.bitmap(s, "Bitmap");
    b.CheckBoxBitmap = in.bitmap(s, "CheckButton");
    b.RadioButtonBitmap = in.bitmap(s, "RadioButton");
    b.NormalColour = in.integer(s, "NormalColour", -1);
    b.MouseOverColour = in.integer(s, "MouseOverColour", -1);
    b.PressedColour = in.integer(s, "PressedColour", -1);
    b.RadioButtonFrames = in.integer(s, "RadioButtonFrame", 0);
    b.CheckBoxFrames = in.integer(s, "CheckButtonFrame", 0);
    in.secondColours(b, s);
}

std::optional<QColor> rgbKeys(DefinitionReader &in, const std::string &prefix)
{
    const int r = in.integer("Personality", prefix + "R", -1);
    const int g = in.integer("Personality", prefix + "G", -1);
    const int b = in.integer("Personality", prefix + "B", -1);
    if (r < 0 || g < 0 || b < 0)
        return std::nullopt;
    if (r > 255 || g > 255 || b > 255) {
        in.problem("Personality", prefix + "R/G/B", QStringLiteral("is out of range (0 to 255)"));
        return std::nullopt;
    }
    return QColor(r, g, b);
}

void readTitle(DefinitionReader &in, TDataSkinTitle &t)
{
    constexpr std::string_view s = "Personality";
    t.SectionName = QStringLiteral("Title");
    t.Bitmap = in.bitmap(s, "TextBack");
    t.LeftWidth = in.integer(s, "TextShift", 0);
    t.TopHeight = in.integer(s, "TextShiftVert", 0);
    t.RightWidth = in.integer(s, "TextRightClip", 0);
    t.BottomHeight = 0;
    t.TextAlignment = in.integer(s, "TextAlignment", 0);
    t.TextBackground = in.integer(s, "Textbackground", 0);
    t.FontHeight = in.integer("Fonts", "FontHeight", 14);
    t.TextBackLeft = in.integer(s, "TXTBackleft", 0);
    t.TextBackRight = in.integer(s, "TXTBackRight", 0);
    t.ActiveText = rgbKeys(in, "ActiveText");
    t.InactiveText = rgbKeys(in, "InActiveText");
}

std::optional<TDataSkinObject> readProgress(DefinitionReader &in)
{
    constexpr std::string_view s = "Progress";
    auto o = in.pictureObject(s, "Bitmap");
    if (o) {
        o->LeftWidth = in.integer(s, "LeftWidth", 0);
        o->RightWidth = in.integer(s, "RightWidth", 0);
        o->TopHeight = in.integer(s, "TopHeight", 0);
        o->BottomHeight = in.integer(s, "BottomHeight", 0);
        o->TransparencyMode = in.integer(s, "Trans", 0);
        o->TilingMode = in.integer(s, "Tile", 0);
    }
    return o;
}

std::optional<TDataSkinObject> readMenuBar(DefinitionReader &in)
{
    constexpr std::string_view s = "Personality";
    auto o = in.pictureObject(s, "menuBar");
    if (o) {
        o->TilingMode = in.integer(s, "TileMenu", 0);
        o->LeftWidth = in.integer(s, "TileLeftMenu", 1);
        o->RightWidth = in.integer(s, "TileRightMenu", 1);
    }
    return o;
}

std::optional<TDataSkinBorder> withSecondBitmap(DefinitionReader &in, std::string_view section, std::string_view key)
{
    auto o = in.genericObject<TDataSkinBorder>(section);
    if (o)
        o->SecondBitmap = in.bitmap(section, key);
    return o;
}

void setFrames(std::optional<TDataSkinObject> &o, int frames)
{
    if (o)
        o->FrameCount = frames;
}

// A check box or radio button picture holds square frames of 13 or 16 pixels.
int indicatorFrames(const QImage &picture) { return std::max(4, picture.width() / (picture.height() < 16 ? 13 : 16)); }

void setFrameCounts(DefinitionReader &in, TSkinDefinition &d)
{
    d.Buttons.FrameCount = 5;
    d.Title.FrameCount = 2;
    for (auto *o : {&d.Progress, &d.MenuBar, &d.GroupBoxEdge})
        setFrames(*o, 2);
    for (auto *o : {&d.Toolbars, &d.ExtraImages, &d.Headerbar, &d.MenuItem})
        setFrames(*o, 5);
    if (d.Tabs)
        d.Tabs->FrameCount = 5;
    setFrames(d.StatusBarEdges, 3);
    for (auto *o : {&d.ComboButton, &d.SunkEdge, &d.HorzScroll, &d.VertScroll})
        setFrames(*o, 4);
    setFrames(d.MenuBackground, 1);
    setFrames(d.Scrollbar, 23);
    for (auto *o : {&d.UpDownHorz, &d.UpDownVert})
        if (*o)
            (*o)->FrameCount = 8;
    setFrames(d.HorzScrollThumb, in.integer("HorzScrollThumb", "FrameCount", 3));
    setFrames(d.VertScrollThumb, in.integer("VertScrollThumb", "FrameCount", 3));
    if (d.Buttons.RadioButtonFrames == 0)
        d.Buttons.RadioButtonFrames = indicatorFrames(d.Buttons.RadioButtonBitmap);
    if (d.Buttons.CheckBoxFrames == 0)
        d.Buttons.CheckBoxFrames = indicatorFrames(d.Buttons.CheckBoxBitmap);
}

// Notes every size, mode and frame count that does not fit its picture or its meaning.
void checkRanges(DefinitionReader &in, const TSkinDefinition &d)
{
    const auto check = [&](const TDataSkinObject &o, const QString &name, int frames) {
        const auto note = [&](const QString &text) { in.problem(name + QLatin1Char(' ') + text); };
        if (o.TransparencyMode < 0 || o.TransparencyMode > 1)
            note(QStringLiteral("transparency %1 is out of range (0 or 1)").arg(o.TransparencyMode));
        if (o.TilingMode < 0 || o.TilingMode > 1)
            note(QStringLiteral("tiling %1 is out of range (0 or 1)").arg(o.TilingMode));
        for (const int c : {o.NormalColour, o.MouseOverColour, o.PressedColour})
            if (c < -1 || c > 0xFFFFFF)
                note(QStringLiteral("colour %1 is out of range (-1 to 0xFFFFFF)").arg(c));
        if (o.Bitmap.isNull())
            return;
        if (frames < 1 || frames > o.Bitmap.width()) {
            note(QStringLiteral("frame count %1 does not fit its %2 pixel wide picture")
                     .arg(frames)
                     .arg(o.Bitmap.width()));
            return;
        }
        const int frameWidth = o.Bitmap.width() / frames;
        if (std::min({o.LeftWidth, o.RightWidth, o.TopHeight, o.BottomHeight}) < 0
            || o.LeftWidth + o.RightWidth > frameWidth || o.TopHeight + o.BottomHeight > o.Bitmap.height())
            note(QStringLiteral("border parts %1, %2, %3, %4 do not fit its %5 x %6 frames")
                     .arg(o.LeftWidth)
                     .arg(o.TopHeight)
                     .arg(o.RightWidth)
                     .arg(o.BottomHeight)
                     .arg(frameWidth)
                     .arg(o.Bitmap.height()));
    };
    for (const TDataSkinBorder *b : {&d.Left, &d.Right, &d.Top, &d.Bottom})
        check(*b, b->SectionName, b->FrameCount);
    check(d.Buttons, d.Buttons.SectionName, d.Buttons.FrameCount);
    for (const TDataSkinSysButton &b : d.CaptionButtons)
        check(b, b.SectionName, b.FrameCount);
    for (const auto *o : {&d.Progress, &d.MenuBar, &d.GroupBoxEdge, &d.Toolbars, &d.StatusBarEdges, &d.ComboButton,
                          &d.SunkEdge, &d.ExtraImages, &d.Headerbar, &d.MenuItem, &d.MenuBackground, &d.Scrollbar,
                          &d.HorzScroll, &d.VertScroll, &d.HorzScrollThumb, &d.VertScrollThumb})
        if (*o)
            check(**o, (*o)->SectionName, (*o)->FrameCount);
    for (const auto *o : {&d.Tabs, &d.UpDownHorz, &d.UpDownVert})
        if (*o)
            check(**o, (*o)->SectionName, (*o)->FrameCount);
    const TDataSkinTitle &t = d.Title;
    if (t.TextAlignment < 0 || t.TextAlignment > 2)
        in.problem(QStringLiteral("Title alignment %1 is out of range (0 to 2)").arg(t.TextAlignment));
    if (t.TextBackground < 0 || t.TextBackground > 1)
        in.problem(QStringLiteral("Title text background %1 is out of range (0 or 1)").arg(t.TextBackground));
    if (t.FontHeight < 4 || t.FontHeight > 100)
        in.problem(QStringLiteral("Fonts.FontHeight %1 is out of range (4 to 100)").arg(t.FontHeight));
    if (std::min({t.LeftWidth, t.TopHeight, t.RightWidth, t.TextBackLeft, t.TextBackRight}) < 0)
        in.problem(QStringLiteral("Title shifts and widths must not be negative"));
}
}  // namespace

namespace {
// The thickness a border adds to a window: one frame's width for the sides, its height
// for the caption bar and the bottom.
int thickness(const TDataSkinBorder &border, bool side)
{
    if (border.Bitmap.isNull())
        return 0;
    return side ? border.Bitmap.width() / std::max(1, border.FrameCount) : border.Bitmap.height();
}

// The pieces of a keyed picture's see-through shape: the opaque runs of each row that
// differs from the row above it (the window system takes equal rows as one band).
qint64 shapePieces(const QImage &picture)
{
    if (picture.isNull())
        return 0;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    constexpr QRgb key = 0xFF00FF;
    std::vector<int> edges, above;
    qint64 pieces = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        edges.clear();
        bool opaque = false;
        for (int x = 0; x < image.width(); ++x)
            if (((row[x] & 0xFFFFFF) != key) != opaque) {
                opaque = !opaque;
                edges.push_back(x);
            }
        if (y == 0 || edges != above)
            pieces += qint64(edges.size() + 1) / 2;
        std::swap(edges, above);
    }
    return pieces;
}
}  // namespace

QStringList WindowLimitProblems(const TSkinDefinition &skin)
{
    QStringList problems;
    const auto bound = [&](const TDataSkinBorder &border, bool side, int limit) {
        if (const int t = thickness(border, side); t > limit)
            problems << QStringLiteral("the %1 border is %2 pixels thick, more than %3")
                            .arg(border.SectionName.toLower())
                            .arg(t)
                            .arg(limit);
    };
    bound(skin.Left, true, SkinLimits::MaxBorderThickness);
    bound(skin.Right, true, SkinLimits::MaxBorderThickness);
    bound(skin.Bottom, false, SkinLimits::MaxBorderThickness);
    bound(skin.Top, false, SkinLimits::MaxCaptionHeight);
    if (!problems.isEmpty())
        return problems;  // the shape of pictures that large is not worth working out
    // Magenta is see-through in the borders that ask for it and always in the caption's
    // text back and buttons.
    qint64 pieces = shapePieces(skin.Title.Bitmap);
    for (const TDataSkinBorder *b : {&skin.Left, &skin.Right, &skin.Top, &skin.Bottom})
        pieces += b->TransparencyMode == 1 ? shapePieces(b->Bitmap) : 0;
    for (const TDataSkinSysButton &b : skin.CaptionButtons)
        pieces += shapePieces(b.Bitmap);
    if (pieces > SkinLimits::MaxShapePieces)
        problems << QStringLiteral("the frame's see-through shape has %1 pieces, more than %2")
                        .arg(pieces)
                        .arg(SkinLimits::MaxShapePieces);
    return problems;
}

std::optional<QColor> ParseColourText(std::string_view text)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (text.empty() || (text.front() >= '0' && text.front() <= '9'))
                return std::nullopt;
            text.remove_prefix(1);  // the one separator
        }
        int value = 0, digits = 0;
        while (!text.empty() && text.front() >= '0' && text.front() <= '9' && digits < 4) {
            value = value * 10 + (text.front() - '0');
            text.remove_prefix(1);
            ++digits;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        parts[i] = value;
    }
    if (!text.empty())
        return std::nullopt;
    return QColor(parts[0], parts[1], parts[2]);
}

std::string_view BitmapFileName(std::string_view value)
{
    const std::size_t cut = value.find_last_of("\\/:");
    return cut == std::string_view::npos ? value : value.substr(cut + 1);
}

TSkinDefinition ReadSkinDefinition(std::string_view text, const TSkinReader &members, const TSystemColours &system,
                                   TSkinReport *report)
{
    TSkinReport scratch;
    TSkinReport &notes = report ? *report : scratch;
    DefinitionReader in(text, members, notes);
    TSkinDefinition d;
    d.Name = latin1(in.value("TitlebarSkin", "SkinName").value_or(std::string()));
    readBorder(in, d.Left, "Left");
    readBorder(in, d.Right, "Right");
    readBorder(in, d.Top, "Top");
    readBorder(in, d.Bottom, "Bottom");
    readColours(in, system, d.Colours);
    in.defaultColour = d.Colours.ButtonText;
    d.SchemeColours = readSchemeColours(in, system.WindowText);
    d.CaptionButtons = readCaptionButtons(in);
    readButtons(in, d.Buttons);
    readTitle(in, d.Title);
    d.Progress = readProgress(in);
    d.MenuBar = readMenuBar(in);
    d.GroupBoxEdge = in.genericObject<TDataSkinObject>("GroupBoxEdge");
    d.Toolbars = in.genericObject<TDataSkinObject>("Toolbars");
    d.Tabs = withSecondBitmap(in, "Tabs", "Border");
    d.StatusBarEdges = in.genericObject<TDataSkinObject>("StatusBarEdges");
    d.ComboButton = in.genericObject<TDataSkinObject>("ComboButton");
    d.SunkEdge = in.genericObject<TDataSkinObject>("SunkEdge");
    d.ExtraImages = in.genericObject<TDataSkinObject>("ExtraImages");
    d.Headerbar = in.genericObject<TDataSkinObject>("Headerbar");
    d.MenuItem = in.genericObject<TDataSkinObject>("MenuItem");
    d.MenuBackground = in.genericObject<TDataSkinObject>("MenuBackground");
    d.Scrollbar = in.genericObject<TDataSkinObject>("Scrollbar");
    d.HorzScroll = in.genericObject<TDataSkinObject>("HorzScroll");
    d.VertScroll = in.genericObject<TDataSkinObject>("VertScroll");
    d.HorzScrollThumb = in.genericObject<TDataSkinObject>("HorzScrollThumb");
    d.VertScrollThumb = in.genericObject<TDataSkinObject>("VertScrollThumb");
    d.UpDownHorz = withSecondBitmap(in, "UpDown.Horz", "GlyphImage");
    d.UpDownVert = withSecondBitmap(in, "UpDown.Vert", "GlyphImage");
    setFrameCounts(in, d);
    d.FaceBrush = QBrush(d.Colours.ButtonFace);
    checkRanges(in, d);
    for (std::size_t i = 0; i < in.ini().Sections().size(); ++i)
        if (!in.wasRead(i))
            notes.sectionsUnknown << QString::fromStdString(in.ini().Sections()[i]);
    return d;
}
