#pragma once
// The single-copy guard: one copy of the client per user's desktop.
//
// The mark is a file "Kelmar" in the user's runtime folder (XDG_RUNTIME_DIR, which the
// system clears at log-off; the temp folder when it is not set), holding the process id
// of the copy that runs. That copy keeps an exclusive lock on the file for as long as it
// runs, and the system drops the lock when the process ends however it ends, so a mark
// left behind by a crash counts as absent. A new mark appears only complete and locked:
// it is written under a private name and linked into place, which fails when a mark
// exists. A mark that is not plainly ours (a link, another user's, not a plain file, no
// process id in it) is never written through or deleted; the guard then lets the
// program run and says why on stderr rather than lock the player out.
#include <QString>

class TInstanceMark {
public:
    enum Outcome { Taken, HeldByAnother, Unguarded };

    TInstanceMark() = default;
    TInstanceMark(const TInstanceMark &) = delete;
    TInstanceMark &operator=(const TInstanceMark &) = delete;
    ~TInstanceMark();  // lets go of the lock; the file stays, a stale mark

    Outcome Take(const QString &path);
    const QString &Reason() const { return reason_; }  // why the guard stands aside
    bool Held() const { return fd_ >= 0; }
    // Removes the mark, if the file at its path is still this one.
    void Release();

private:
    Outcome inspectExisting();
    Outcome unguarded(const QString &why);

    QString path_;
    QString reason_;
    int fd_ = -1;
};

// "Kelmar" in the user's runtime folder, or in the temp folder.
QString InstanceMarkPath();
// Start-up: takes the mark; when another copy holds it, says so and requests the end.
void RunInstanceGuard();
// The quit sequence: removes the mark this copy took.
void ReleaseInstanceMark();
