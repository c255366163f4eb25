#pragma once
// The skin definition: the ini member of a skin archive, read into the objects the
// drawing uses. Section and key names match without regard to letter case; a value that
// is absent or no number takes its default. Bitmaps are archive members named by the
// values; a value is reduced to its file name, and only a name ending exactly in ".bmp"
// that names a Windows bitmap of sane size gives a picture.
#include <QBrush>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

class TSkinReader;

// One skin object: a picture of FrameCount equal frames side by side. Drawn into a
// rectangle, the border parts (LeftWidth, TopHeight, RightWidth, BottomHeight) keep
// their size and the middle is stretched or tiled.
struct TDataSkinObject {
    QString SectionName;
    QImage Bitmap;
    int LeftWidth = 0, TopHeight = 0, RightWidth = 0, BottomHeight = 0;
    int TransparencyMode = 0;  // 1: magenta (255, 0, 255) is see-through
    int TilingMode = 0;
    int FrameCount = 1;
    int NormalColour = -1, MouseOverColour = -1, PressedColour = -1;  // 0x00BBGGRR, -1 when unset
    QColor NormalColour2, MouseOverColour2, PressedColour2;
};

// The window borders and the objects with a second picture.
struct TDataSkinBorder : TDataSkinObject {
    QImage SecondBitmap;
};

struct TDataSkinButton : TDataSkinObject {
    QImage CheckBoxBitmap, RadioButtonBitmap;
    int RadioButtonFrames = 0, CheckBoxFrames = 0;
};

// The caption text. LeftWidth is its shift from the left, TopHeight its shift down,
// RightWidth the room kept free at the right.
struct TDataSkinTitle : TDataSkinObject {
    int TextAlignment = 0;   // 0 left, 1 right, 2 centred
    int TextBackground = 0;  // 1: the picture lies behind the text
    int FontHeight = 14;
    int TextBackLeft = 0, TextBackRight = 0;  // fixed parts of the picture behind the text
    std::optional<QColor> ActiveText, InactiveText;
};

// A button of the caption bar.
struct TDataSkinSysButton : TDataSkinObject {
    int Action = 0, Alignment = 0, X = 0, Y = 0, CombineMode = -1, Visibility = 0, Visibility2 = 0;
};

struct TSkinColours {
    QColor WindowText, ButtonFace, Scrollbar, HilightText, Hilight, Menubar, Menu, MenuText, ButtonText, ButtonHilight,
        Buttonlight, ButtonShadow, ButtonDkShadow, MenuBarText, TitleTextActive, TitleTextInactive;
};

// The platform's colours, the defaults of the colour set.
struct TSystemColours {
    QColor WindowText, ButtonFace, Scrollbar, HilightText, Hilight, Menu, MenuText, ButtonText, ButtonHilight,
        ButtonShadow, CaptionText, InactiveCaptionText;
};

struct TSkinDefinition {
    QString Name;
    TDataSkinBorder Left, Right, Top, Bottom;
    TDataSkinButton Buttons;
    TDataSkinTitle Title;
    std::vector<TDataSkinSysButton> CaptionButtons;
    TSkinColours Colours;
    std::vector<QColor> SchemeColours;
    QBrush FaceBrush;
    std::optional<TDataSkinObject> Progress, MenuBar, GroupBoxEdge, Toolbars, StatusBarEdges, ComboButton, SunkEdge,
        ExtraImages, Headerbar, MenuItem, MenuBackground, Scrollbar, HorzScroll, VertScroll, HorzScrollThumb,
        VertScrollThumb;
    std::optional<TDataSkinBorder> Tabs, UpDownHorz, UpDownVert;
};

// What a reading found, for the skin tool: the sections read, every bitmap named, and
// every value that is no number, no colour or out of range.
struct TSkinReport {
    struct Bitmap {
        QString where;  // "Section.Key"
        QString value;
        QString problem;  // empty when the picture loaded
    };
    QStringList sectionsRead, sectionsUnknown;
    std::vector<Bitmap> bitmaps;
    QStringList problems;
};

// Limits that keep a hostile skin from exhausting memory or time.
namespace SkinLimits {
inline constexpr int MaxBitmapSide = 4096;
inline constexpr qint64 MaxBitmapPixels = 4 << 20;
inline constexpr qint64 MaxSkinPixels = 4 << 20;  // all pictures of one skin together
// What a skin may ask of a window: the borders' and the caption bar's thickness, and the
// pieces of the see-through shape that the frame's pictures give (each row of opaque
// runs that differs from the one above it); a window's whole shape is held to
// MaxWindowShapeRects, beyond which the frame is a plain ring.
inline constexpr int MaxBorderThickness = 32;
inline constexpr int MaxCaptionHeight = 64;
inline constexpr qint64 MaxShapePieces = 1024;
inline constexpr int MaxWindowShapeRects = 8192;
inline constexpr std::size_t MaxCaptionButtons = 64;
inline constexpr std::size_t MaxSchemeColours = 256;
inline constexpr std::size_t MaxDefinitionSize = 1 << 20;
}  // namespace SkinLimits

// Reads a definition; bitmaps come from the reader's members.
TSkinDefinition ReadSkinDefinition(std::string_view text, const TSkinReader &members, const TSystemColours &system,
                                   TSkinReport *report = nullptr);

// Why a skin can't dress windows: a border or caption bar thicker than the bounds, or
// pictures whose see-through shape has too many pieces. Empty when it can.
QStringList WindowLimitProblems(const TSkinDefinition &skin);

// "r g b": three decimal numbers of 0 to 255 with one non-digit between them, blanks
// around the whole ignored; nullopt for anything else.
std::optional<QColor> ParseColourText(std::string_view text);
// The file name a bitmap value names: the part after its last "\", "/" or ":".
std::string_view BitmapFileName(std::string_view value);
