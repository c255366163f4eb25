#include "TestSupport.h"

#include "About.h"
#include "Atom.h"
#include "ConnectForm.h"
#include "KelmarInfo.h"
#include "Methods.h"
#include "SoundOutput.h"
#include "Splash.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QResizeEvent>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
qint64 lengthOf(const char *effect)
{
    QFile file(ResourceDir() + QLatin1String(effect) + QStringLiteral(".wav"));
    return file.open(QIODevice::ReadOnly) ? WavDurationMs(file.readAll()).value_or(-1) : -1;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Records every size a widget takes.
struct SizeRecorder : QObject {
    QList<QSize> sizes;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            sizes << static_cast<QResizeEvent *>(event)->size();
        return false;
    }
};
}  // namespace

// Sound, the single-copy guard, the splash, the about box and the information panel.
class TestPresentation : public QObject {
    Q_OBJECT

    BoardCase fixture;
    QTemporaryDir folder;

    QString mark() const { return folder.filePath(QStringLiteral("Kelmar")); }

public slots:
    void openUrl(const QUrl &url) { opened << url.toString(); }

private:
    QStringList opened;

private slots:
    void initTestCase()
    {
        PrepareSuite();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    void init()
    {
        QFile::remove(mark());
        Sounds().clear();
        fixture.start();
        Sounds().now = 0;
    }
    void cleanup() { fixture.end(); }

    void wavLengths()
    {
        const QByteArray header = QByteArray("RIFF....WAVEfmt ") + QByteArray("\x10\0\0\0\x01\0\x01\0", 8)
            + QByteArray("\x22\x56\0\0\x44\xAC\0\0\x02\0\x10\0", 12);
        const QByteArray second = QByteArray(44100, '\0');
        QCOMPARE(WavDurationMs(header + "data" + QByteArray("\x44\xAC\0\0", 4) + second), 1000);
        QCOMPARE(WavDurationMs(header + "data" + QByteArray("\x44\xAC\0\0", 4) + second.left(22050)),
                 500);  // cut short
        QCOMPARE(WavDurationMs(header + "data" + QByteArray("\xFF\xFF\xFF\xFF", 4)), 0);
        QCOMPARE(WavDurationMs(QByteArray("RIFF....WAVEdata\x04\0\0\0abcd", 24)), std::nullopt);  // no format
        QByteArray compressed = header;
        compressed[20] = 2;  // not PCM
        QCOMPARE(WavDurationMs(compressed + "data" + QByteArray(4, '\0')), std::nullopt);
        QCOMPARE(WavDurationMs("RIFF"), std::nullopt);
        QCOMPARE(WavDurationMs(QByteArray(100, '\xFF')), std::nullopt);
        // Start-up reads only a file's first bytes: its size places the end of the samples.
        const QByteArray head = header + "data" + QByteArray("\x44\xAC\0\0", 4);
        const std::optional<TWavLayout> layout = ReadWavLayout(head, head.size() + 22051);
        QVERIFY(layout && layout->dataAt == head.size() && layout->format.sampleRate == 22050);
        QCOMPARE(layout->dataBytes, 22050);  // cut short, in whole frames
        QCOMPARE(layout->format.DurationMs(layout->dataBytes), 500);
        QVERIFY(!ReadWavLayout(header, 1 << 20));  // the samples' chunk beyond the bytes read
        for (const char *effect : {"FX1", "Fx2", "FX3", "FX4", "clap"})
            QVERIFY2(lengthOf(effect) > 30 && lengthOf(effect) < 4000, effect);
    }

    void effectsPlayAsAMediaPlayerWould()
    {
        RecordedSound &sound = Sounds();
        QVERIFY(sound.opened.isEmpty());  // start-up opened no stream: the first sound does
        PlayEffect(QStringLiteral("FX1"));
        QCOMPARE(sound.opened.size(), 5);
        sound.now += 50;
        PlayEffect(QStringLiteral("FX1"));  // a second refusal while the first sounds
        QCOMPARE(sound.starts, QStringList{"FX1"});
        sound.now += lengthOf("FX1");
        PlayEffect(QStringLiteral("FX1"));  // after its end: from the start again
        QCOMPARE(sound.starts, (QStringList{"FX1", "FX1"}));

        sound.clear();
        for (int i = 0; i < 5; ++i) {  // a long drag: FX4 sounds once, then never again
            PlayEffect(QStringLiteral("FX4"));
            sound.now += lengthOf("FX4");
        }
        PlayEffect(QStringLiteral("fx2"));  // names are exact
        QCOMPARE(sound.starts, QStringList{"FX4"});
        QVERIFY(sound.loops.isEmpty());  // the default settings have no music
    }

    // The connect dialog opens the effects' streams as it opens, so that the connect's
    // chime and the game's first effects do not wait for the audio server.
    void connectDialogOpensTheEffectStreams()
    {
        QVERIFY(Sounds().opened.isEmpty());
        OpenConnectDialog();
        QTRY_COMPARE(Sounds().opened.size(), 5);
        DestroyConnectDialog();
    }

    // The stream of an effect stays open: each play offers the samples again from the
    // start and wakes the sink that went idle at their end.
    void effectSourceRewindsAndWakesTheSink()
    {
        const std::optional<TPcmSound> sound = ReadWav(fileBytes(ResourceDir() + "FX3.wav"));
        QVERIFY(sound && sound->sampleRate == 22050 && sound->channels == 1 && sound->bitsPerSample == 16);
        QCOMPARE(sound->DurationMs(), lengthOf("FX3"));
        TPcmSource source(sound->samples);
        QVERIFY(source.atEnd());  // nothing to play before the first request
        int wakes = 0;
        connect(&source, &QIODevice::readyRead, &source, [&] { ++wakes; });
        for (int play = 1; play <= 2; ++play) {
            source.Rewind();
            QByteArray pulled;
            while (!source.atEnd())
                pulled += source.read(1000);
            QCOMPARE(pulled, sound->samples);
            QCOMPARE(wakes, play);
        }
    }

    void settingsGovernMusicAndEffects()
    {
        fixture.end();
        WriteDefaultConfigWith({{"FxMusic=yes", "FxMusic=no"}, {"MainMusic=no", "MainMusic=yes"}});
        Sounds().clear();
        fixture.dialogs = std::make_unique<RecordedDialogs>();
        fixture.board = BuildBoard();
        QVERIFY(Sounds().loops.isEmpty());  // the music waits for the board on the screen
        fixture.board->show();
        QTRY_COMPARE(Sounds().loops, QStringList{"Data2.kmr"});
        WriteDefaultConfigWith({});  // switched on later: the players were never prepared
        PlayEffect(QStringLiteral("clap"));
        QVERIFY(Sounds().starts.isEmpty());

        fixture.end();
        fixture.start();
        WriteDefaultConfigWith({{"FxMusic=yes", "FxMusic=Yes"}});  // switched off while running
        PlayEffect(QStringLiteral("clap"));
        QVERIFY(Sounds().starts.isEmpty());
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void everyCallerPlaysItsEffect()
    {
        const QList<std::pair<const char *, std::function<void()>>> callers{
            {"FX4", [] { BoardDragOver(Player(Local).Tile(1)); }},
            {"FX1", [] { BoardDragDrop(ChainAt(1), Player(Local).Tile(1)); }},  // no room: 1 has both neighbours
            {"FX3", [] { BoardDragDrop(ChainAt(3), Player(Local).Tile(1)); }},  // 0-4 matches the 4 on 3
            {"clap", [] { Table().Connection->Dispatch("^$49"); }},
            {"clap", [] { Table().Connection->Dispatch("C1"); }},
            {"Fx2", [] { ConnectDialogConnect(); }},
        };
        Feed("A105EzEaEbEcBc4FF");
        qputenv("KELMAR_NAME_STORE", QFile::encodeName(folder.filePath(QStringLiteral("name.ini"))));
        SetServerPortOverride(ClosedPort());
        OpenConnectDialog();
        ConnectDialog()->NameBox->setText(QStringLiteral("KITE"));
        for (const auto &[effect, action] : callers) {
            Sounds().clear();
            Sounds().now += 10000;
            action();
            QCOMPARE(Sounds().starts, QStringList{QLatin1String(effect)});
        }
    }

    void missingEffectFileIsReportedAtStartUp()
    {
        fixture.end();
        QFile::rename(ResourceDir() + "FX3.wav", ResourceDir() + "FX3.bak");
        fixture.start();
        QFile::rename(ResourceDir() + "FX3.bak", ResourceDir() + "FX3.wav");
        QCOMPARE(fixture.dialogs->errors.size(), 1);
        QVERIFY(fixture.dialogs->errors[0].contains(ResourceDir() + "FX3.wav"));
        PlayEffect(QStringLiteral("FX4"));  // never opened: silent, and no error
        QVERIFY(Sounds().starts.isEmpty());
        QVERIFY(Table().ConnectButton);  // what was built stays usable
    }

    void markIsTakenOnceAndReleased()
    {
        TInstanceMark first, second, third;
        QCOMPARE(first.Take(mark()), TInstanceMark::Taken);
        QCOMPARE(fileBytes(mark()), QByteArray::number(qint64(getpid())) + '\n');
        QCOMPARE(second.Take(mark()), TInstanceMark::HeldByAnother);
        second.Release();  // a refused copy never removes the mark
        QVERIFY(QFile::exists(mark()));
        first.Release();
        QVERIFY(!QFile::exists(mark()));
        QCOMPARE(third.Take(mark()), TInstanceMark::Taken);
        QCOMPARE(QDir(folder.path()).entryList({"Kelmar*"}, QDir::Files), QStringList{"Kelmar"});  // no drafts left
    }

    void staleMarkOfAKilledCopyCountsAsAbsent()
    {
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        writeFile(mark(), QByteArray::number(pid) + '\n');
        TInstanceMark mark1;
        QCOMPARE(mark1.Take(mark()), TInstanceMark::Taken);
        QCOMPARE(fileBytes(mark()), QByteArray::number(qint64(getpid())) + '\n');
    }

    void marksThatAreNotOursAreLeftAlone()
    {
        const QString target = folder.filePath(QStringLiteral("precious"));
        writeFile(target, "keep me");
        QVERIFY(QFile::link(target, mark()));
        TInstanceMark linked;
        QCOMPARE(linked.Take(mark()), TInstanceMark::Unguarded);
        QVERIFY(linked.Reason().contains(QStringLiteral("symbolic link")));
        linked.Release();
        QCOMPARE(fileBytes(target), QByteArray("keep me"));
        QVERIFY(QFileInfo(mark()).isSymLink());

        QFile::remove(mark());
        writeFile(mark(), "<html>");
        TInstanceMark garbage;
        QCOMPARE(garbage.Take(mark()), TInstanceMark::Unguarded);
        QCOMPARE(fileBytes(mark()), QByteArray("<html>"));

        TInstanceMark nowhere;
        QCOMPARE(nowhere.Take(folder.filePath(QStringLiteral("no/such/folder/Kelmar"))), TInstanceMark::Unguarded);

        if (geteuid() == 0) {  // only root can give a file to another user
            writeFile(mark(), "1\n");
            QCOMPARE(chown(QFile::encodeName(mark()).constData(), 12345, 12345), 0);
            TInstanceMark foreign;
            QCOMPARE(foreign.Take(mark()), TInstanceMark::Unguarded);
            QVERIFY(foreign.Reason().contains(QStringLiteral("another user")));
        }
    }

    void copiesStartedAtOnceLetExactlyOneRun()
    {
        for (int round = 0; round < 20; ++round) {
            QFile::remove(mark());
            std::atomic<int> taken = 0, refused = 0;
            std::vector<std::unique_ptr<TInstanceMark>> marks(6);
            std::vector<std::thread> copies;
            for (auto &m : marks)
                copies.emplace_back([&] {
                    m = std::make_unique<TInstanceMark>();
                    const auto outcome = m->Take(mark());
                    (outcome == TInstanceMark::Taken ? taken : refused) += 1;
                });
            for (auto &copy : copies)
                copy.join();
            QCOMPARE(taken.load(), 1);
            QCOMPARE(refused.load(), 5);
        }
    }

    void secondCopyIsRefusedAndEnds()
    {
        fixture.end();
        TInstanceMark running;
        QCOMPARE(running.Take(InstanceMarkPath()), TInstanceMark::Taken);
        fixture.start();
        QCOMPARE(fixture.dialogs->informations, QStringList{"Only one session allowed, Ok.."});
        QVERIFY(Shared().QuitRequested);
        QVERIFY(!Table().Memo);  // start-up went no further
        fixture.end();
        QVERIFY(running.Held() && QFile::exists(InstanceMarkPath()));
    }

    void noAtomRunsBesideAHeldMark()
    {
        const QString runtime = folder.filePath(QStringLiteral("run"));
        QDir().mkpath(runtime);
        TInstanceMark running;
        QCOMPARE(running.Take(runtime + QStringLiteral("/Kelmar")), TInstanceMark::Taken);
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        copy.setProcessEnvironment(environment);
        copy.start(QStringLiteral(KELMAR_OUT_DIR "/kelmar"), {QStringLiteral("-noAtom")});
        QVERIFY(copy.waitForStarted());
        QVERIFY(!copy.waitForFinished(2500));  // it runs
        copy.kill();
        copy.waitForFinished();
        QCOMPARE(fileBytes(runtime + QStringLiteral("/Kelmar")), QByteArray::number(qint64(getpid())) + '\n');
    }

    void splash()
    {
        QVERIFY(ShowSplash(QStringLiteral("Please wait . . .")));
        QWidget *splash = SplashWindow();
        QCOMPARE(splash->geometry(), QRect(311, 279, 401, 209));  // centred on 1024 x 768
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        const auto labels = splash->findChildren<QLabel *>();
        const auto textAt = [&](QPoint at) {
            for (const QLabel *label : labels)
                if (label->pos() == at)
                    return label->text();
            return QString();
        };
        QCOMPARE(textAt({5, 190}), QStringLiteral("Please wait . . ."));
        QCOMPARE(textAt({245, 5}), QString::fromLatin1(ProjectWebPage));
        QVERIFY(!ShowSplash(QStringLiteral("again")));
        QCOMPARE(textAt({5, 190}), QStringLiteral("Please wait . . ."));
        SetSplashStatus(QStringLiteral("Done."));
        QCOMPARE(textAt({5, 190}), QStringLiteral("Done."));
        QVERIFY(CloseSplash());
        QVERIFY(!CloseSplash());
        QVERIFY(!SplashWindow());

        fixture.end();  // a start-up with the splash shows it and closes it at the end
        WriteDefaultConfigWith({{"Splash=no", "Splash=yes"}});
        fixture.dialogs = std::make_unique<RecordedDialogs>();
        fixture.board = BuildBoard();
        QVERIFY(fixture.dialogs->errors.isEmpty());
        QVERIFY(!SplashWindow() && Table().ConnectButton);
    }

    // However start-up ends with the splash up, the splash is gone before the error box
    // shows, and the board comes up usable; without its picture start-up goes on.
    void splashNeverHidesTheBoard()
    {
        for (const char *missing : {"FX3.wav", "splash v.2.3.bmp"}) {
            fixture.end();
            WriteDefaultConfigWith({{"Splash=no", "Splash=yes"}});
            QFile::rename(ResourceDir() + missing, ResourceDir() + "missing.bak");
            ForgetPictures();
            fixture.dialogs = std::make_unique<RecordedDialogs>();
            QStringList shownOverSplash;
            Dialogs().error = [&](const QString &text) {
                fixture.dialogs->errors << text;
                if (SplashWindow())
                    shownOverSplash << text;
            };
            fixture.board = BuildBoard();
            QFile::rename(ResourceDir() + "missing.bak", ResourceDir() + missing);
            ForgetPictures();
            QCOMPARE(fixture.dialogs->errors.size(), 1);
            QVERIFY(fixture.dialogs->errors[0].contains(ResourceDir() + missing));
            QVERIFY(shownOverSplash.isEmpty() && !SplashWindow());
            QVERIFY(Table().ConnectButton && Table().ConnectButton->isEnabled());
        }
        Sounds().clear();
        PlayEffect(QStringLiteral("FX1"));  // start-up went on past the splash to the sound
        QCOMPARE(Sounds().starts, QStringList{"FX1"});
    }

    void aboutBoxToggleAndCloseBox()
    {
        Table().InfoTitleButton->click();
        QVERIFY(Shared().AboutShown && AboutBox());
        QCOMPARE(AboutBox()->windowTitle(), QStringLiteral("About . . ."));
        QCOMPARE(AboutBox()->height(), 287);
        QCOMPARE(AboutCreditsLine()->pos(), QPoint(7, 9));
        QCOMPARE(AboutCreditsLine()->text(), QStringLiteral("Ines Marwa"));
        const auto link = AboutBox()->findChildren<QLabel *>();
        for (QLabel *label : link)
            if (label->text() == QLatin1String(ProjectWebPage)) {
                QCOMPARE(label->pos(), QPoint(39, 173));
                QTest::mouseClick(label, Qt::LeftButton);
            }
        QCOMPARE(opened, QStringList{QString::fromLatin1(ProjectWebPage)});
        Table().InfoTitleButton->click();
        QVERIFY(!Shared().AboutShown && !AboutBox());

        ToggleAbout();
        AboutBox()->close();  // its own close box ends the shown state too
        QVERIFY(!Shared().AboutShown && !AboutBox());
        ToggleAbout();
        QVERIFY(Shared().AboutShown && AboutBox());
    }

    void creditsScroll()
    {
        OpenAboutBox(QStringLiteral("1.5"));
        QLabel *line = AboutCreditsLine();
        QElapsedTimer clock;
        QStringList shown;
        for (int pass = 0; pass < 2; ++pass) {
            while (line->x() != 99)
                AboutTimer();
            clock.start();
            AboutTimer();  // x = 100: the line stands for half a second
            QVERIFY(clock.elapsed() >= 450);
            while (line->x() != 247)
                AboutTimer();
            AboutTimer();  // x = 248: the next credit from x = -37
            QCOMPARE(line->x(), -37);
            shown << line->text();
        }
        QCOMPARE(shown, (QStringList{"Tomas Keller", "Rui Okafor"}));
        QCOMPARE(Shared().CreditIndex, 3);
        for (const char *next : {"and You . . .", "Ines Marwa"}) {
            line->move(247, line->y());
            AboutTimer();
            QCOMPARE(line->text(), QLatin1String(next));
        }
        QCOMPARE(Shared().CreditIndex, 1);
        CloseAboutBox();  // a box opened again starts with the first entry, at x = 7
        OpenAboutBox(QStringLiteral("1.5"));
        QCOMPARE(AboutCreditsLine()->text(), QStringLiteral("Ines Marwa"));
        QCOMPARE(AboutCreditsLine()->pos(), QPoint(7, 9));
    }

    void informationPanelZoomsStandsAndFades()
    {
        QVERIFY(ShowInformationPanel());
        QWidget *panel = InformationPanel();
        QCOMPARE(panel->size(), QSize(165, 90));
        QVERIFY(!Table().InfoTitleButton->isEnabled());
        QVERIFY(!ShowInformationPanel());
        SizeRecorder sizes;
        panel->installEventFilter(&sizes);
        ZoomShowForm();
        QCOMPARE(sizes.sizes, (QList<QSize>{{112, 27}, {145, 45}, {165, 63}, {165, 81}, {165, 90}}));
        QCOMPARE(panel->pos(), QPoint((1024 - 165) / 2, (768 - 90) / 2));
        QVERIFY(HideInformationPanel());
        QVERIFY(!InformationPanel() && Table().InfoTitleButton->isEnabled());
        QVERIFY(!HideInformationPanel());
    }

    void panelSeeThroughColourFollowsTheSkinSetting()
    {
        for (const bool skin : {false, true}) {
            WriteDefaultConfigWith({{"Skin=yes", skin ? "Skin=yes" : "Skin=no"}});
            QVERIFY(ShowInformationPanel());
            const QImage face = static_cast<QLabel *>(InformationPanel())->pixmap().toImage();
            const QRegion shown = InformationPanel()->mask();
            int cutAway = 0, cutWrongly = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x) {
                    if (shown.contains(QPoint(x, y)))
                        continue;
                    ++cutAway;
                    if (face.pixelColor(x, y) != (skin ? QColor(210, 210, 210) : NamedColor::White))
                        ++cutWrongly;
                }
            QVERIFY(skin || cutAway > 0);
            QCOMPARE(cutWrongly, 0);
            HideInformationPanel();
        }
    }

    void noticeOneDuringASequenceIsIgnored()
    {
        QSet<QWidget *> panels;
        QTimer nested;
        QObject::connect(&nested, &QTimer::timeout, this, [&] {
            panels << InformationPanel();
            Feed("C1");  // a second notice 1 while the first stands
        });
        nested.start(10);
        Table().Connection->Dispatch("C1");
        nested.stop();
        panels.remove(nullptr);
        QCOMPARE(panels.size(), 1);  // the one panel, never a second sequence on it
        QCOMPARE(Sounds().starts, QStringList{"clap"});
        QVERIFY(MemoTexts().count(QStringLiteral("Tumba.....!!!!!")) > 2);
        QVERIFY(!InformationPanel());
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void panelAtMostOnceAGameAndTheBoardAnswersMeanwhile()
    {
        // A timer stands for the board's own events (paint, mouse): it runs all along,
        // and sees every panel that comes up.
        int ticks = 0;
        QSet<QWidget *> panels;
        QTimer board;
        QObject::connect(&board, &QTimer::timeout, this, [&] {
            ++ticks;
            panels << InformationPanel();
        });
        board.start(50);
        QElapsedTimer clock;
        clock.start();
        Table().Connection->Dispatch(QByteArray("C1").repeated(20));  // one read
        const qint64 elapsed = clock.elapsed();
        panels.remove(nullptr);
        QCOMPARE(panels.size(), 1);  // one sequence for the whole read
        QVERIFY2(ticks >= elapsed / 50 / 2, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(elapsed)));
        for (const char *again : {"D", "^$49"}) {  // a reset, or the score board, starts a new game
            Table().Connection->Dispatch(again);
            panels.clear();
            Table().Connection->Dispatch("C1");
            panels.remove(nullptr);
            QCOMPARE(panels.size(), 1);
        }
        board.stop();
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void readAndQuitDuringTheFade()
    {
        FakeServer server;
        QVERIFY(server.listen());
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        QVERIFY(QTest::qWaitFor([&] { return server.peer && server.wire.endsWith('V'); }, 5000));
        server.peer->write("C1");
        QTimer::singleShot(200, &server, [&] { server.peer->write("Ec"); });   // arrives in the fade
        QVERIFY(QTest::qWaitFor([] { return Model().IsOccupied(3); }, 5000));  // and is read once it ends
        QVERIFY(!InformationPanel());

        server.peer->write("DC1Ed");                  // a new game: its notice 1 shows the panel again
        QTimer::singleShot(200, [] { QuitGame(); });  // the player quits in the fade
        QVERIFY(QTest::qWaitFor([] { return Shared().QuitRequested && !InformationPanel(); }, 5000));
        QVERIFY(!Model().IsOccupied(4));  // the rest of the batch is dropped
        QVERIFY(fixture.dialogs->errors.isEmpty());
    }

    void turnAsksForAttention()
    {
        Table().Connection->Dispatch("A101F");  // on right after a reset: the first F switches off
        QCOMPARE(fixture.dialogs->alerts, 0);
        Table().Connection->Dispatch("F");
        QVERIFY(Model().TurnFlag());
        QCOMPARE(fixture.dialogs->alerts, 1);
    }
};

QTEST_MAIN(TestPresentation)
#include "tst_presentation.moc"
