#pragma once
// Shared state, helpers, paths and error reporting of the client.
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>

class QWidget;

// The one exception type our handlers throw; every entry point from Qt catches it
// (and std::exception) at its edge and hands the text to ReportError.
class KelmarError : public std::runtime_error {
public:
    explicit KelmarError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// The three kinds of box the client shows. Tests replace them to see what would be
// shown without a modal box; an empty member means the real box.
struct DialogHooks {
    std::function<void(const QString &)> error;        // error box with the error's text
    std::function<void(const QString &)> message;      // plain box, OK only, no icon
    std::function<bool(const QString &)> confirm;      // "Confirmation", OK/Cancel, warning icon
    std::function<void(const QString &)> information;  // "Information", OK only, warning icon
    std::function<void(QWidget *)> alert;              // the window asks for the player's attention
};
DialogHooks &Dialogs();
void ReportError(const QString &text);
void ShowMessage(const QString &text);
bool AskConfirmation(const QString &text);  // true for OK
void ShowInformation(const QString &text);
// Flashes the window's task bar entry, or the like, when it is not the active window.
void AskForAttention(QWidget *window);

// Runs one step at an event-loop edge: exceptions become a report. Returns false on error.
bool Guarded(const std::function<void()> &step);
// Runs one step; the text of the error it raised, if any.
std::optional<QString> Attempt(const std::function<void()> &step);

// Enables or disables each control in turn; controls that are gone are skipped.
void SetEnabled(std::initializer_list<QWidget *> controls, bool enabled);

// Folders beside the program file, each ending in a separator, computed afresh each call.
QString ExeDir();
// The entry point `entry` of the library `file` beside the program, which stays loaded;
// nullptr, with the loader's reason in `error`, when it cannot be had. The program's parts
// that need a large library of their own (sound, network) load it when they are first used.
QFunctionPointer ProgramLibraryEntry(const QString &file, const char *entry, QString &error);
QString GraphDir();
QString ResourceDir();

// Built-in pictures and cursors, found by name without regard to case.
QPixmap BuiltinPixmap(const QString &name);
// Decodes every built-in picture on the second core, for BuiltinPixmap to take.
void PrefetchBuiltinPictures();
// A picture file; throws KelmarError naming the file when it cannot be read. Each file is
// read and decoded once per run; one that could not be read keeps failing the same way.
QPixmap LoadPicture(const QString &path);
// Throws as LoadPicture would for a file that is missing or plainly not a picture, without
// decoding a bitmap file whose signature stands: that is left to its first LoadPicture.
void CheckPicture(const QString &path);
void ForgetPictures();  // tests that change picture files start afresh
// A font of one of the board's Windows families: the family where it is installed, or
// else its stand-in (the substitution PrepareApplication names), which is what the toolkit
// would reach too, but only after a search of every font for fallbacks. Before the first
// ResolveBoardFonts the font names the Windows family as it is: looking it up reads the
// system's font configuration, which the board's window does not need to appear.
QFont BoardFont(const QString &family);
// From now on BoardFont looks fonts up; the window and those of its controls that were
// given a Windows family take the installed family or its stand-in.
void ResolveBoardFonts(QWidget *window);
// A font whose lines are `cellHeight` pixels high (ascent and descent), as the classic
// designs give their fonts.
QFont FontWithCellHeight(const QString &family, int cellHeight, bool bold = false);

// True when an argument (the program name excluded) is exactly "-" + name.
bool HasSwitch(const QString &name, const QStringList &arguments);
bool HasSwitch(const QString &name);
// First character as it is, the letters A to Z after it in lower case.
QString CapitalizeName(const QString &text);
// Text from the server or a player as it is shown: control characters, which a label or
// the memo would draw as boxes or act upon, become "?".
QString ShownText(const QString &text);
// At most `limit` characters of a text, then how many were left out: a server's text can
// be as long as a read, and a box or a line that shows it whole is wider than any screen.
QString CutText(const QString &text, qsizetype limit);

// The flags that the board, the watchdog and the dialogs share; the game's state is the
// table model's.
struct TSharedState {
    bool QuitRequested = false;  // QuitGame ran: the program is ending
    bool AboutShown = false;     // the about box is open; the about box will keep it
    std::uint8_t WatchdogTicks = 0;
    std::uint8_t CreditIndex = 0;  // the about box's credits scroller will step it
};
TSharedState &Shared();

namespace NamedColor {
inline const QColor Black{0, 0, 0}, Maroon{128, 0, 0}, Red{255, 0, 0}, Lime{0, 255, 0}, Blue{0, 0, 255},
    Yellow{255, 255, 0}, Fuchsia{255, 0, 255}, Aqua{0, 255, 255}, Teal{0, 128, 128}, Silver{192, 192, 192},
    White{255, 255, 255}, MoneyGreen{192, 220, 192}, SkyBlue{166, 202, 240}, Cream{255, 251, 240};
}
