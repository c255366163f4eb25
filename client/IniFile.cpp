#include "IniFile.h"

#include "Global.h"
#include "IniText.h"

#include <QFile>
#include <array>
#include <memory>
#include <sys/stat.h>

namespace {
// A settings file is a few kilobytes; reading stops here so that a huge file cannot
// stall every lookup.
constexpr qint64 MaxConfigBytes = 1 << 20;

// What tells one state of a file from another: which file it is, its size and the time
// of its last change to the nanosecond. Every lookup looks at it; the text is read and
// parsed again only when it differs, so an edit shows at the next lookup.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec changed{};
    bool operator==(const FileState &o) const
    {
        return device == o.device && inode == o.inode && size == o.size && changed.tv_sec == o.changed.tv_sec
            && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileState> stateOf(const QString &path)
{
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileState{info.st_dev, info.st_ino, info.st_size, info.st_ctim};
}

int momentDepth = 0;          // how many TSettingsMoment are alive
bool lookedInMoment = false;  // the file's state was taken in the current moment

// The settings file as it is now; nullptr when it cannot be read.
const IniText *currentText(const QString &path)
{
    struct Cached {
        QString path;
        FileState state;
        std::unique_ptr<IniText> text;
    };
    static Cached cached;
    const bool known = cached.text && cached.path == path;
    if (known && lookedInMoment)
        return cached.text.get();
    const std::optional<FileState> state = stateOf(path);
    if (!state)
        return nullptr;
    lookedInMoment = momentDepth > 0;
    if (known && cached.state == *state)
        return cached.text.get();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray text = file.read(std::min(file.size(), MaxConfigBytes));
    cached = {path, *state, std::make_unique<IniText>(std::string_view(text.constData(), std::size_t(text.size())))};
    return cached.text.get();
}

std::optional<QString> findValue(const QString &path, const QString &section, const QString &key)
{
    const IniText *ini = currentText(path);
    const auto value = ini ? ini->Value(section.toStdString(), key.toStdString()) : std::nullopt;
    if (!value)
        return std::nullopt;
    return QString::fromLatin1(value->data(), qsizetype(value->size()));
}

using Palette = std::array<QColor, 13>;

const Palette &tableOf(ColorTable table)
{
    using namespace NamedColor;
    static const Palette background{MoneyGreen, Blue,   Black, Yellow, Maroon,  Fuchsia, Teal,
                                    Red,        Silver, Aqua,  Lime,   SkyBlue, Cream};
    static const Palette memoActive{Cream, MoneyGreen, SkyBlue, Yellow, Maroon, Fuchsia, Teal, Red, Silver, Lime};
    static const Palette memoInactive{Aqua, Blue, SkyBlue, Yellow, Maroon, Fuchsia, Teal, Red, Silver, Lime};
    switch (table) {
    case ColorTable::MemoActive: return memoActive;
    case ColorTable::MemoInactive: return memoInactive;
    case ColorTable::Background: break;
    }
    return background;
}

std::size_t rowsOf(ColorTable table) { return table == ColorTable::Background ? 13 : 10; }

const char *const DefaultLines[] = {
    "#######################################",
    "#                                     #",
    "#   this is a configuration file      #",
    "#   please write it with small caps   #",
    "#   Kelmar 1.5, the Tumba client      #",
    "#   edit with care, keep it 8-bit     #",
    "#                                     #",
    "#######################################",
    "",
    "[Main]",
    "# display the splash : yes | no",
    "Splash=no",
    "",
    "# display all the messages passing : yes | no",
    "Verbose=no",
    "",
    "# Apply skin : yes | no",
    "Skin=yes",
    "",
    "[Color]",
    "# choose for board background color :",
    "# apply if only skin set to 'no'",
    "#",
    "#   0 : MoneyGreen [default]",
    "#   1 : Blue",
    "#   2 : Black",
    "#   3 : Yellow",
    "#   4 : Maroon",
    "#   5 : Fuchsia",
    "#   6 : Teal",
    "#   7 : Red",
    "#   8 : Silver",
    "#   9 : Aqua",
    "#   10: Lime",
    "#   11: SkyBlue",
    "#   12: Cream",
    "Background=6",
    "",
    "# choose for memo color when active",
    "#   0 : Cream [default]",
    "#   1 : MoneyGreen",
    "#   2 : SkyBlue",
    "#   3 : Yellow",
    "#   4 : Maroon",
    "#   5 : Fuchsia",
    "#   6 : Teal",
    "#   7 : Red",
    "#   8 : Silver",
    "#   9 : Lime",
    "MemoActive=0",
    "",
    "# choose for memo color when inactive",
    "#   0 : Aqua [default]",
    "#   1 : Blue",
    "#   2 : SkyBlue",
    "#   3 : Yellow",
    "#   4 : Maroon",
    "#   5 : Fuchsia",
    "#   6 : Teal",
    "#   7 : Red",
    "#   8 : Silver",
    "#   9 : Lime",
    "MemoInactive=8",
    "",
    "[Music]",
    "# play music : yes | no",
    "MainMusic=no",
    "",
    "# play sound effect : yes | no",
    "FxMusic=yes",
};
static_assert(std::size(DefaultLines) == 70);
}  // namespace

TSettingsMoment::TSettingsMoment() { ++momentDepth; }

TSettingsMoment::~TSettingsMoment()
{
    if (--momentDepth == 0)
        lookedInMoment = false;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    return findValue(path_, section, key).value_or(def);
}

bool TIniFile::ReadSwitch(const QString &section, const QString &key) const
{
    return ReadString(section, key, QStringLiteral("yes")) == QLatin1String("yes");
}

std::int64_t TIniFile::ReadInteger(const QString &section, const QString &key, std::int64_t def) const
{
    const auto value = findValue(path_, section, key);
    if (!value)
        return def;
    return ParseIniInteger(value->toStdString()).value_or(def);
}

QColor TIniFile::ReadColor(const QString &section, const QString &key, ColorTable table) const
{
    return ColorFromIndex(table, ReadInteger(section, key, 0));
}

QColor ColorFromIndex(ColorTable table, std::int64_t index)
{
    const auto row = static_cast<std::size_t>(static_cast<std::uint8_t>(index & 0xFF));
    return tableOf(table)[row < rowsOf(table) ? row : 0];
}

QByteArray DefaultConfigText()
{
    QByteArray text;
    for (const char *line : DefaultLines)
        text += QByteArray(line) + "\r\n";
    return text;
}

void WriteDefaultConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw KelmarError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    }
    const QByteArray text = DefaultConfigText();
    if (file.write(text) != text.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove();  // never leave half a default file behind
        throw KelmarError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
}

QString ConfigPath() { return ExeDir() + QStringLiteral("config.ini"); }

TIniFile Config() { return TIniFile(ConfigPath()); }
