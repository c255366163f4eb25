#include "Atom.h"

#include "Global.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::unique_ptr<TInstanceMark> instanceMark;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool lockedNow(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

bool writePid(int fd)
{
    const QByteArray pid = QByteArray::number(qint64(getpid())) + '\n';
    return ftruncate(fd, 0) == 0 && pwrite(fd, pid.constData(), std::size_t(pid.size()), 0) == pid.size();
}

// A process id and nothing else but its line end.
bool holdsPid(int fd)
{
    char text[32] = {};
    const ssize_t size = pread(fd, text, sizeof text - 1, 0);
    if (size <= 0)
        return false;
    bool ok = false;
    const qint64 pid = QByteArray(text, size).trimmed().toLongLong(&ok);
    return ok && pid > 0;
}

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }
}  // namespace

TInstanceMark::~TInstanceMark()
{
    if (fd_ >= 0)
        close(fd_);
}

TInstanceMark::Outcome TInstanceMark::Take(const QString &path)
{
    path_ = path;
    QByteArray draft = QFile::encodeName(path) + ".XXXXXX";
    const int fd = mkostemp(draft.data(), O_CLOEXEC);
    if (fd < 0)
        return unguarded(QStringLiteral("cannot write in %1: %2").arg(QFileInfo(path).path(), systemError()));
    const bool ready = lockedNow(fd) && writePid(fd);  // mkostemp made it 0600
    const bool placed = ready && link(draft.constData(), QFile::encodeName(path).constData()) == 0;
    const int linkError = errno;
    unlink(draft.constData());
    if (placed) {
        fd_ = fd;
        return Taken;
    }
    close(fd);
    if (!ready || linkError != EEXIST) {
        errno = linkError;
        return unguarded(QStringLiteral("cannot place the mark %1: %2").arg(path, systemError()));
    }
    return inspectExisting();
}

TInstanceMark::Outcome TInstanceMark::inspectExisting()
{
    const QByteArray name = QFile::encodeName(path_);
    const int fd = open(name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return unguarded(errno == ELOOP ? QStringLiteral("the mark %1 is a symbolic link").arg(path_)
                                        : QStringLiteral("cannot open the mark %1: %2").arg(path_, systemError()));
    struct stat mark {};
    struct stat placed {};
    const auto giveUp = [&](const QString &why) {
        close(fd);
        return unguarded(why);
    };
    if (fstat(fd, &mark) != 0 || !S_ISREG(mark.st_mode) || mark.st_nlink != 1)
        return giveUp(QStringLiteral("the mark %1 is not a plain file").arg(path_));
    if (mark.st_uid != geteuid())
        return giveUp(QStringLiteral("the mark %1 belongs to another user").arg(path_));
    if (!lockedNow(fd)) {
        close(fd);
        return errno == EWOULDBLOCK ? HeldByAnother : unguarded(QStringLiteral("cannot lock the mark %1").arg(path_));
    }
    // Unlocked: the copy that wrote it no longer runs. Take it over, if it is a mark.
    if (!holdsPid(fd))
        return giveUp(QStringLiteral("the mark %1 holds no process id").arg(path_));
    if (lstat(name.constData(), &placed) != 0 || !sameFile(mark, placed) || !writePid(fd))
        return giveUp(QStringLiteral("the mark %1 changed while it was taken over").arg(path_));
    fd_ = fd;
    return Taken;
}

TInstanceMark::Outcome TInstanceMark::unguarded(const QString &why)
{
    reason_ = why;
    return Unguarded;
}

void TInstanceMark::Release()
{
    if (fd_ < 0)
        return;
    struct stat mine {};
    struct stat placed {};
    const QByteArray name = QFile::encodeName(path_);
    if (fstat(fd_, &mine) == 0 && lstat(name.constData(), &placed) == 0 && sameFile(mine, placed))
        unlink(name.constData());
    close(fd_);
    fd_ = -1;
}

QString InstanceMarkPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QDir(runtime.isEmpty() ? QDir::tempPath() : runtime).filePath(QStringLiteral("Kelmar"));
}

void RunInstanceGuard()
{
    auto mark = std::make_unique<TInstanceMark>();
    switch (mark->Take(InstanceMarkPath())) {
    case TInstanceMark::Taken: instanceMark = std::move(mark); return;
    case TInstanceMark::Unguarded:
        qWarning("Kelmar runs without the single-copy guard: %s", qPrintable(mark->Reason()));
        return;
    case TInstanceMark::HeldByAnother:
        ShowInformation(QStringLiteral("Only one session allowed, Ok.."));
        Shared().QuitRequested = true;
        QCoreApplication::exit(0);
        return;
    }
}

void ReleaseInstanceMark()
{
    if (instanceMark)
        instanceMark->Release();
    instanceMark.reset();
}
