#pragma once
// config.ini beside the program: the default text, the reader and the colour tables.
// Every lookup sees the file as it is at that moment (its text is parsed again only when
// the file changed), except inside a TSettingsMoment.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

enum class ColorTable { Background, MemoActive, MemoInactive };

class TIniFile {
public:
    explicit TIniFile(QString path) : path_(std::move(path)) {}

    // The first occurrence of the key in a section of that name (names without regard
    // to case), blanks around the value removed; the default when there is none.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // A switch is on only when it reads exactly "yes"; an absent switch reads "yes".
    bool ReadSwitch(const QString &section, const QString &key) const;
    // A number as ParseIniInteger (IniText.h) reads it; the default when absent or not a number.
    std::int64_t ReadInteger(const QString &section, const QString &key, std::int64_t def) const;
    // The colour that the key's index selects in its table (absent or garbage: row 0).
    QColor ReadColor(const QString &section, const QString &key, ColorTable table) const;

    const QString &path() const { return path_; }

private:
    QString path_;
};

// Work that happens at one moment, such as the messages of one slice of a read, looks at
// the settings file once: while a moment lasts, every lookup of the file sees the state
// that its first lookup found. Moments nest.
class TSettingsMoment {
public:
    TSettingsMoment();
    ~TSettingsMoment();
    TSettingsMoment(const TSettingsMoment &) = delete;
    TSettingsMoment &operator=(const TSettingsMoment &) = delete;
};

// Looks up the low eight bits of an index; rows past the end of a table give row 0.
QColor ColorFromIndex(ColorTable table, std::int64_t index);

// The 70-line default text, every line ended by CR LF.
QByteArray DefaultConfigText();
// Creates or overwrites the file with the default text; throws KelmarError with the
// system's error text when it cannot.
void WriteDefaultConfig(const QString &path);

QString ConfigPath();  // config.ini beside the program file
TIniFile Config();     // a reader on ConfigPath()
