#include "Global.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QImageReader>
#include <QLibrary>
#include <QMessageBox>
#include <QSet>
#include <QWidget>
#include <future>

TSharedState &Shared()
{
    static TSharedState state;
    return state;
}

DialogHooks &Dialogs()
{
    static DialogHooks hooks;
    return hooks;
}

namespace {
// Boxes belong to the active window, so that they stay above an always-on-top dialog.
QWidget *boxOwner() { return QApplication::activeWindow(); }

constexpr qsizetype ErrorBoxLimit = 200;  // characters of an error's text that its box shows
}  // namespace

void ReportError(const QString &text)
{
    const QString shown = CutText(text, ErrorBoxLimit);
    if (Dialogs().error)
        return Dialogs().error(shown);
    QMessageBox::critical(boxOwner(), QCoreApplication::applicationName(), shown);
}

void ShowMessage(const QString &text)
{
    if (Dialogs().message)
        return Dialogs().message(text);
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, boxOwner());
    box.exec();
}

bool AskConfirmation(const QString &text)
{
    if (Dialogs().confirm)
        return Dialogs().confirm(text);
    return QMessageBox::warning(boxOwner(), QStringLiteral("Confirmation"), text, QMessageBox::Ok | QMessageBox::Cancel)
        == QMessageBox::Ok;
}

void ShowInformation(const QString &text)
{
    if (Dialogs().information)
        return Dialogs().information(text);
    QMessageBox::warning(boxOwner(), QStringLiteral("Information"), text);
}

void AskForAttention(QWidget *window)
{
    if (!window || window->isActiveWindow())
        return;
    if (Dialogs().alert)
        return Dialogs().alert(window);
    QApplication::alert(window);
}

std::optional<QString> Attempt(const std::function<void()> &step)
{
    try {
        step();
        return std::nullopt;
    } catch (const KelmarError &e) {
        return e.text();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    }
}

bool Guarded(const std::function<void()> &step)
{
    const std::optional<QString> error = Attempt(step);
    if (error)
        ReportError(*error);
    return !error;
}

void SetEnabled(std::initializer_list<QWidget *> controls, bool enabled)
{
    for (QWidget *control : controls) {
        if (control)
            control->setEnabled(enabled);
    }
}

namespace {
// The program's folder, its pictures and its resources do not move while it runs: the
// paths are worked out once, when the application object exists, and reused by every
// lookup of a picture or a setting.
struct ProgramPaths {
    QString exe, graph, resource;
};

const ProgramPaths &programPaths()
{
    static ProgramPaths paths;
    if (paths.exe.isEmpty() && QCoreApplication::instance()) {
        const QString exe = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
        paths = {exe, exe + QStringLiteral("Graph/"), exe + QStringLiteral("Resource/")};
    }
    return paths;
}
}  // namespace

QString ExeDir() { return programPaths().exe; }

QFunctionPointer ProgramLibraryEntry(const QString &file, const char *entry, QString &error)
{
    QLibrary library(ExeDir() + file);
    const QFunctionPointer found = library.resolve(entry);
    if (!found)
        error = library.errorString();
    return found;
}

QString GraphDir() { return programPaths().graph; }

QString ResourceDir() { return programPaths().resource; }

namespace {
// A high-density screen takes every picture of the table at twice its size, drawn beside
// it as "name@2x": the same size on the board, sharper.
bool highDensity() { return qApp->devicePixelRatio() > 1; }

QString denser(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? path.left(dot) + QStringLiteral("@2x") + path.mid(dot)
                                                    : QString();
}
}  // namespace

namespace {
// Reads a picture as the format its name says. Left to find the format itself, the reader
// first asks every image plugin of the system whether it knows the file, which loads them
// all and their libraries; a file whose content is of another format is still read.
QImage readPicture(const QString &path, QString *error = nullptr)
{
    QImageReader named(path, QFileInfo(path).suffix().toLatin1());
    named.setAutoDetectImageFormat(false);
    QImage image = named.read();
    if (image.isNull()) {
        QImageReader any(path);
        image = any.read();
        if (error)
            *error = any.errorString();
    }
    return image;
}
}  // namespace

namespace {
// The built-in pictures by name in small letters, listed in one pass.
const QHash<QString, QString> &builtinPaths()
{
    static const QHash<QString, QString> paths = [] {
        QHash<QString, QString> found;
        for (QDirIterator it(QStringLiteral(":/builtin")); it.hasNext();) {
            const QFileInfo file = it.nextFileInfo();
            found.insert(file.completeBaseName().toLower(), file.filePath());
        }
        return found;
    }();
    return paths;
}

using DecodedPictures = QHash<QString, QImage>;
std::shared_future<DecodedPictures> prefetched;  // the built-in pictures, decoded on the second core
}  // namespace

void PrefetchBuiltinPictures()
{
    prefetched = std::async(std::launch::async, [dense = highDensity()] {
        DecodedPictures images;
        const QHash<QString, QString> &paths = builtinPaths();
        for (auto it = paths.cbegin(); it != paths.cend(); ++it)
            if (dense || !it.key().endsWith(QLatin1String("@2x")))  // the size the screen shows
                images.insert(it.key(), readPicture(it.value()));
        return images;
    });
}

QPixmap BuiltinPixmap(const QString &name)
{
    // Each is taken from the prefetch or decoded when first asked for, and kept.
    static QHash<QString, QPixmap> byName;
    const auto decoded = [](const QString &key) {
        auto known = byName.constFind(key);
        if (known == byName.constEnd()) {
            const QString path = builtinPaths().value(key);
            // A prefetch still at work is not waited for: the second core may be busy
            // with the skin, and the picture decodes here as fast.
            const bool ready
                = prefetched.valid() && prefetched.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            const bool taken = ready && prefetched.get().contains(key);  // not when the density changed since
            const QImage image = path.isEmpty() ? QImage() : taken ? prefetched.get().value(key) : readPicture(path);
            known = byName.insert(key, QPixmap::fromImage(image));
        }
        return *known;
    };
    QPixmap dense = highDensity() ? decoded(name.toLower() + QStringLiteral("@2x")) : QPixmap();
    if (dense.isNull())
        return decoded(name.toLower());
    dense.setDevicePixelRatio(2);
    return dense;
}

namespace {
// A picture as it was loaded: the pixmap, or why it could not be.
struct LoadedPicture {
    QPixmap pixmap;
    QString error;
};
QHash<QString, LoadedPicture> &pictures()
{
    static QHash<QString, LoadedPicture> cache;
    return cache;
}
QSet<QString> &signedPictures()  // bitmap files whose signature CheckPicture saw
{
    static QSet<QString> paths;
    return paths;
}
}  // namespace

QPixmap LoadPicture(const QString &path)
{
    auto known = pictures().constFind(path);
    if (known == pictures().constEnd()) {
        const QString dense = highDensity() ? denser(path) : QString();
        const bool twice = !dense.isEmpty() && QFile::exists(dense);
        QString why;
        QImage image = readPicture(twice ? dense : path, &why);
        image.setDevicePixelRatio(twice ? 2 : 1);
        LoadedPicture loaded{QPixmap::fromImage(image), QString()};
        if (image.isNull())
            loaded.error = QStringLiteral("Cannot load picture \"%1\": %2").arg(path, why);
        known = pictures().insert(path, loaded);
    }
    if (!known->error.isEmpty())
        throw KelmarError(known->error);
    return known->pixmap;
}

void CheckPicture(const QString &path)
{
    if (signedPictures().contains(path))
        return;
    QFile file(path);
    const bool bitmap = QFileInfo(path).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0;
    // Unbuffered: the two bytes of the signature, not a buffer's worth.
    if (pictures().contains(path) || !bitmap || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || file.read(2) != "BM")
        LoadPicture(path);  // decoded (or failed) already, or to be decoded now to know
    else
        signedPictures().insert(path);
}

void ForgetPictures()
{
    pictures().clear();
    signedPictures().clear();
}

namespace {
bool boardFontsResolved = false;

QString installedFamily(const QString &family)
{
    // Each question to the font database goes through the system's font configuration.
    static QHash<QString, QString> chosen;
    auto face = chosen.constFind(family);
    if (face == chosen.cend())
        face = chosen.insert(family, QFontDatabase::hasFamily(family) ? family : QFont::substitute(family));
    return *face;
}
}  // namespace

QFont BoardFont(const QString &family) { return QFont(boardFontsResolved ? installedFamily(family) : family); }

void ResolveBoardFonts(QWidget *window)
{
    boardFontsResolved = true;
    const auto resolve = [](QWidget *widget) {
        if (!widget->testAttribute(Qt::WA_SetFont))
            return;  // it takes its parent's
        QFont font = widget->font();
        if (const QString installed = installedFamily(font.family()); installed != font.family()) {
            font.setFamily(installed);
            widget->setFont(font);
        }
    };
    resolve(window);
    for (QWidget *control : window->findChildren<QWidget *>())
        resolve(control);
}

QFont FontWithCellHeight(const QString &family, int cellHeight, bool bold)
{
    QFont font(installedFamily(family));  // measured at once
    font.setBold(bold);
    for (int pixels = cellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight)
            break;
    }
    return font;
}

bool HasSwitch(const QString &name, const QStringList &arguments)
{
    const QString wanted = QLatin1Char('-') + name;
    return arguments.contains(wanted);
}

bool HasSwitch(const QString &name) { return HasSwitch(name, QCoreApplication::arguments().mid(1)); }

QString ShownText(const QString &text)
{
    QString shown = text;
    for (QChar &c : shown)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            c = QLatin1Char('?');
    return shown;
}

QString CutText(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    return QStringLiteral("%1 [... %2 more characters]").arg(text.left(limit)).arg(text.size() - limit);
}

QString CapitalizeName(const QString &text)
{
    QString result = text;
    for (qsizetype i = 1; i < result.size(); ++i) {
        const char16_t c = result[i].unicode();
        if (c >= 'A' && c <= 'Z')
            result[i] = QChar(c + ('a' - 'A'));
    }
    return result;
}
