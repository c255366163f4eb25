#pragma once
// Background music and the five sound effects.
//
// An effect player behaves like a media player with a play position: a play request
// while the effect sounds lets it go on, a request after its end plays it again from
// the start, and a player whose auto-rewind is off ("FX4") stays at its end after it
// has once played, so every later request is silent. When an effect ends is taken from
// the length of its WAV file, since an audio back end without a device may report
// "playing" for ever.
#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

// A PCM WAV file's sound: its format and its samples.
struct TPcmSound {
    int sampleRate = 0, channels = 0, bitsPerSample = 0;
    QByteArray samples;
    qint64 DurationMs() const;
};
// The sound of a PCM WAV file of 8, 16 or 32 bits; nullopt when the bytes are no such file.
std::optional<TPcmSound> ReadWav(const QByteArray &wav);
std::optional<qint64> WavDurationMs(const QByteArray &wav);

// One effect's sound as the audio system plays it.
class TEffectVoice {
public:
    virtual ~TEffectVoice() = default;
    virtual void Start() = 0;  // from the beginning
};

// Where sound goes: Qt Multimedia in the program; tests put a recorder in its place.
class TSoundBackEnd {
public:
    virtual ~TSoundBackEnd() = default;
    // Loops the file until `owner` goes; a file that cannot be played stays silent.
    virtual void Loop(const QString &path, QObject *owner) = 0;
    virtual std::unique_ptr<TEffectVoice> Voice(const QString &path, const TPcmSound &sound) = 0;
    virtual qint64 NowMs() const = 0;  // a steady clock
};
// Replaces the back end (tests); nullptr puts Qt Multimedia back. Not owned.
void SetSoundBackEnd(TSoundBackEnd *backEnd);

// An effect's samples as an audio sink pulls them. The sink's stream stays open from one
// play to the next: stopping a stream drops whatever the audio server has not played yet,
// which for a short effect on a server with a long latency is all of it. It starts at its
// end, with nothing to play.
class TPcmSource : public QIODevice {
public:
    explicit TPcmSource(QByteArray samples, QObject *parent = nullptr);
    // Offers the sound again from its start and wakes the sink, idle since the last end.
    void Rewind();
    bool isSequential() const override { return false; }
    qint64 size() const override { return samples_.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray samples_;
};

// One effect: the play command on a play position.
class TEffectPlayer {
public:
    TEffectPlayer(std::unique_ptr<TEffectVoice> voice, qint64 durationMs, bool autoRewind);
    void Play(qint64 nowMs);

private:
    std::unique_ptr<TEffectVoice> voice_;
    qint64 duration_;
    bool autoRewind_;
    std::optional<qint64> startedAt_;  // none while the position stands at the start
};

// Start-up: the looping music when MainMusic reads "yes", and the effect players when
// FxMusic reads "yes", both living as long as `owner`. An effect file that cannot be
// opened raises KelmarError naming it.
void StartMultimedia(QObject *owner);
// Loops ResourceDir + name + ".kmr".
void PlayMusic(const QString &name);
// Plays one effect ("FX1", "Fx2", "FX3", "FX4", "clap") when FxMusic reads "yes" now
// and its player was prepared at start-up.
void PlayEffect(const QString &name);
