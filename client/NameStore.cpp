#include "NameStore.h"

#include "Global.h"
#include "IniText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace {
constexpr char Section[] = "Software";
constexpr char Key[] = "qen-lodar\\Name";  // "Software/qen-lodar/Name" as Qt's ini files spell it

// A name is shown and sent: every character must be one that prints.
bool soundName(const QString &name)
{
    return !name.isEmpty() && std::ranges::all_of(name, [](QChar c) { return c.isPrint(); });
}

// Qt's spelling of a string in an ini file: UTF-8, a leading "@" doubled, "\" and '"'
// escaped, quotes around a value with blanks at its ends or with ",", ";" or "=" in it.
// Other escapes stand only for control characters, which no name holds.
std::optional<QString> unescaped(std::string_view value)
{
    if (value.starts_with('@')) {
        if (!value.starts_with("@@"))
            return std::nullopt;  // a value of another type
        value.remove_prefix(1);
    }
    QByteArray text;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ',' || c == ';'))
            return std::nullopt;  // a list, or a comment that Qt would cut off
        else if (c != '\\')
            text += c;
        else if (++i < value.size() && (value[i] == '\\' || value[i] == '"'))
            text += value[i];
        else
            return std::nullopt;
    }
    if (quoted)
        return std::nullopt;
    return QString::fromUtf8(text);
}

QByteArray escaped(const QString &name)
{
    QByteArray text = name.startsWith(QLatin1Char('@')) ? "@" : "";
    bool quotes = name.startsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char(' '));
    for (const char c : name.toUtf8()) {
        quotes = quotes || c == ',' || c == ';' || c == '=';
        if (c == '\\' || c == '"')
            text += '\\';
        text += c;
    }
    return quotes ? '"' + text + '"' : text;
}

QString defaultStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/qen-lodar/Kelmar.ini");
}

QString storePath()
{
    const QString named = qEnvironmentVariable("KELMAR_NAME_STORE");
    return named.isEmpty() ? defaultStorePath() : named;
}

#ifdef Q_OS_UNIX
// The store's bytes, when a plain file of at most MaxNameStoreBytes is in its place.
// Its kind and size are looked at before it is opened (a FIFO would block the open, a
// huge file the read), and again on what was opened, in case it was swapped meanwhile.
std::optional<QByteArray> readStoreFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const auto fits = [](const struct stat &s) { return S_ISREG(s.st_mode) && s.st_size <= MaxNameStoreBytes; };
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0 || !fits(status))
        return std::nullopt;
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes(MaxNameStoreBytes + 1, Qt::Uninitialized);
    qsizetype size = 0;
    const bool plain = ::fstat(fd, &status) == 0 && fits(status);
    while (plain && size < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + size, std::size_t(bytes.size() - size));
        if (n <= 0)
            break;
        size += n;
    }
    ::close(fd);
    if (!plain || size > MaxNameStoreBytes)
        return std::nullopt;
    bytes.truncate(size);
    return bytes;
}

// The store's folder, private: made 0700 when missing; Kelmar's own folder of the
// default place is made private again if an older version left it open.
void prepareFolder(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).path());
    ::mkdir(native.constData(), 0700);
    if (folder == QFileInfo(defaultStorePath()).path())
        ::chmod(native.constData(), 0700);
}

// A new private file beside the store, renamed over it: whatever stood in its place (a
// link, a FIFO, a damaged or huge file) is replaced and never written through or opened.
bool replaceStoreFile(const QString &path, const QByteArray &text)
{
    const QString folder = QFileInfo(path).path();
    prepareFolder(folder);
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral("/.Kelmar-name-XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // 0600
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.constData(), std::size_t(text.size())) == text.size();
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}
#else
std::optional<QByteArray> readStoreFile(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.isSymLink() || info.size() > MaxNameStoreBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(MaxNameStoreBytes + 1);
    return bytes.size() > MaxNameStoreBytes ? std::nullopt : std::optional(bytes);
}

bool replaceStoreFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}
#endif

#ifdef Q_OS_WIN
bool useRegistry() { return qEnvironmentVariableIsEmpty("KELMAR_NAME_STORE"); }
QSettings registry() { return QSettings(QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::NativeFormat); }
#endif
}  // namespace

std::optional<QString> NameFromStoreText(const QByteArray &text)
{
    const auto value = IniText(std::string_view(text.constData(), std::size_t(text.size()))).Value(Section, Key);
    if (!value)
        return std::nullopt;
    const std::optional<QString> name = unescaped(*value);
    return name && soundName(*name) ? name : std::nullopt;
}

QByteArray StoreTextWithName(const QString &name)
{
    return QByteArray("[") + Section + "]\n" + Key + "=" + escaped(name) + "\n";
}

QString ReadRememberedName()
{
#ifdef Q_OS_WIN
    if (useRegistry()) {
        const QVariant value = registry().value(QStringLiteral("Software/qen-lodar/Name"));
        const QString name = value.typeId() == QMetaType::QString ? value.toString() : QString();
        return soundName(name) ? name : QString();
    }
#endif
    const std::optional<QByteArray> text = readStoreFile(storePath());
    return text ? NameFromStoreText(*text).value_or(QString()) : QString();
}

void WriteRememberedName(const QString &name)
{
#ifdef Q_OS_WIN
    if (useRegistry()) {
        QSettings store = registry();
        store.setValue(QStringLiteral("Software/qen-lodar/Name"), name);
        store.sync();
        if (store.status() != QSettings::NoError)
            throw KelmarError(QStringLiteral("The name can't be stored in the registry"));
        return;
    }
#endif
    const QString path = storePath();
    if (!replaceStoreFile(path, StoreTextWithName(name)))
        throw KelmarError(QStringLiteral("The name can't be stored in %1").arg(path));
}
