#pragma once
// Helpers shared by the widget suites: a board built offscreen with the boxes it
// would show recorded instead of shown.
#include "Global.h"
#include "IniFile.h"
#include "Initialize.h"
#include "Main.h"
#include "Protocol.h"
#include "Sound.h"
#include "Winsock_Handling.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>

// Records every box the client would show; answers questions with `answer`.
struct RecordedDialogs {
    QStringList errors, messages, questions, informations;
    int alerts = 0;
    bool answer = false;

    RecordedDialogs()
    {
        Dialogs().error = [this](const QString &t) { errors << t; };
        Dialogs().message = [this](const QString &t) { messages << t; };
        Dialogs().confirm = [this](const QString &t) {
            questions << t;
            return answer;
        };
        Dialogs().information = [this](const QString &t) { informations << t; };
        Dialogs().alert = [this](QWidget *) { ++alerts; };
    }
    ~RecordedDialogs() { Dialogs() = {}; }
};

// Sound without an audio device: records the music files looped, the effects' streams
// opened and the effects started (by file name), on a clock that the test moves.
struct RecordedSound : TSoundBackEnd {
    QStringList loops, opened, starts;
    qint64 now = 0;

    struct Voice : TEffectVoice {
        RecordedSound *sound;
        QString name;
        Voice(RecordedSound *s, QString n) : sound(s), name(std::move(n)) {}
        void Start() override { sound->starts << name; }
    };
    void Loop(const QString &path, QObject *) override { loops << QFileInfo(path).fileName(); }
    std::unique_ptr<TEffectVoice> Voice(const QString &path, const TPcmSound &) override
    {
        opened << QFileInfo(path).completeBaseName();
        return std::make_unique<struct Voice>(this, opened.last());
    }
    qint64 NowMs() const override { return now; }
    void clear()
    {
        loops.clear();
        opened.clear();
        starts.clear();
    }
};
inline RecordedSound &Sounds()
{
    static RecordedSound sounds;
    return sounds;
}

// Copies the generated Graph/ and Resource/ folders and the libraries that the client
// loads beside the test program, where the client looks for them; each suite gets its own
// copy to change as it likes.
inline void UseArtwork()
{
    for (const char *library : {"libkelmar-net.so", "libkelmar-sound.so"}) {
        QFile::remove(ExeDir() + QLatin1String(library));
        QFile::copy(QStringLiteral(KELMAR_OUT_DIR "/") + QLatin1String(library), ExeDir() + QLatin1String(library));
    }
    for (const char *folder : {"Graph", "Resource"}) {
        const QString from = QStringLiteral(KELMAR_OUT_DIR "/") + QLatin1String(folder);
        const QString to = ExeDir() + QLatin1String(folder);
        QDir(to).removeRecursively();
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = to + file.mid(from.size());
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(file, target);
        }
    }
}

inline void WriteConfig(const QByteArray &text)
{
    QFile file(ConfigPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write config.ini for the test");
    file.write(text);
}

// The default configuration with some lines replaced, e.g. {"Verbose=no", "Verbose=yes"}.
inline void WriteDefaultConfigWith(const QList<std::pair<QByteArray, QByteArray>> &changes)
{
    QByteArray text = DefaultConfigText();
    for (const auto &[from, to] : changes)
        text.replace(from + "\r\n", to + "\r\n");
    WriteConfig(text);
}

inline std::unique_ptr<TMainBoard> BuildBoard(QSize screen = {1024, 768})
{
    SetScreenOverride(std::make_pair(screen, QRect(QPoint(0, 0), screen)));
    auto board = std::make_unique<TMainBoard>();
    CompleteTable();  // as the event loop's first turn would
    return board;
}

// Once per suite: the application's title and fonts, the artwork beside the program,
// sound without a device, and a runtime folder of the suite's own, so that the boards
// it builds never meet the single-copy mark of a Kelmar that the player runs.
inline void PrepareSuite()
{
    PrepareApplication();
    UseArtwork();
    SetSoundBackEnd(&Sounds());
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

// A fresh board for each test case on the default configuration, with the boxes it
// shows recorded from before its start-up until after it is gone.
struct BoardCase {
    std::unique_ptr<RecordedDialogs> dialogs;
    std::unique_ptr<TMainBoard> board;

    // On the default configuration with some lines replaced (WriteDefaultConfigWith).
    void start(const QList<std::pair<QByteArray, QByteArray>> &changes = {})
    {
        WriteDefaultConfigWith(changes);
        dialogs = std::make_unique<RecordedDialogs>();
        board = BuildBoard();
    }
    void end()
    {
        board.reset();
        dialogs.reset();
    }
};

// Runs messages from the server through the client's handlers at once, as one read.
inline void Feed(const QByteArray &messages)
{
    TBatchDispatcher dispatcher;
    TTableHandlers handlers(Model());
    dispatcher.Dispatch(messages, handlers);
}

inline void SetLocalName(const char *name) { Model().SetLocalName(name); }
inline QString SeatName(int view) { return QString::fromStdString(Model().SeatAt(view).GetName()); }

// The memo's text, with the lines that wait for the event loop in it.
inline QString MemoText()
{
    FlushMemo();
    return Memo()->toPlainText();
}

// The memo's lines without their time stamps.
inline QStringList MemoTexts()
{
    QStringList texts;
    for (const QString &line : MemoText().split(QLatin1Char('\n')))
        texts << (line.startsWith(QLatin1String("[ ")) ? line.mid(line.indexOf(QLatin1String(" ] : ")) + 5) : line);
    return texts;
}

// A port of 127.0.0.1 that was free a moment ago and has nobody listening now.
inline quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The server's side on a free port of 127.0.0.1, where the client is sent: takes a
// client and collects what it sends.
struct FakeServer : QObject {
    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray wire;

    FakeServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] { wire += peer->readAll(); });
        });
    }
    bool listen()
    {
        if (!server.isListening() && !server.listen(QHostAddress::LocalHost, 0))
            return false;
        SetServerPortOverride(server.serverPort());
        return true;
    }
    // Closes the connection and stops listening; the client gets no error for it.
    void goAway()
    {
        delete peer;
        server.close();
    }
};
