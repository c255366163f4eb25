#pragma once
// Shared state, paths and error reporting of the client.
#include <QColor>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
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
    std::function<void(const QString &)> error;    // error box with the error's text
    std::function<void(const QString &)> message;  // plain box, OK only, no icon
    std::function<bool(const QString &)> confirm;  // "Confirmation", OK/Cancel, warning icon
};
DialogHooks &Dialogs();
void ReportError(const QString &text);
void ShowMessage(const QString &text);
bool AskConfirmation(const QString &text);  // true for OK

// Runs one step at an event-loop edge: exceptions become a report. Returns false on error.
bool Guarded(const std::function<void()> &step);

// Enables or disables each control in turn; controls that are gone are skipped.
void SetEnabled(std::initializer_list<QWidget *> controls, bool enabled);

// Folders beside the program file, each ending in a separator, computed afresh each call.
QString ExeDir();
QString GraphDir();
QString ResourceDir();

// Built-in pictures and cursors, found by name without regard to case.
QPixmap BuiltinPixmap(const QString &name);

// Flags shared by the board, the connection and the watchdog.
extern bool Online;      // a connection was requested and is expected to be up
extern bool TurnFlag;    // the local player is to move
extern bool AboutShown;  // the about box is open
extern std::uint8_t WatchdogTicks;
extern std::uint8_t CreditIndex;
extern std::uint8_t OwnSeatIndex;  // from the server's greeting, 0 before it

namespace NamedColor {
inline const QColor Black{0, 0, 0}, Maroon{128, 0, 0}, Red{255, 0, 0}, Lime{0, 255, 0}, Blue{0, 0, 255},
    Yellow{255, 255, 0}, Fuchsia{255, 0, 255}, Aqua{0, 255, 255}, Teal{0, 128, 128}, Silver{192, 192, 192},
    White{255, 255, 255}, MoneyGreen{192, 220, 192}, SkyBlue{166, 202, 240}, Cream{255, 251, 240};
}
