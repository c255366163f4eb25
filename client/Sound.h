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
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

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
    virtual std::unique_ptr<TEffectVoice> Voice(const QString &path, QObject *owner) = 0;
    virtual qint64 NowMs() const = 0;  // a steady clock
};
// Replaces the back end (tests); nullptr puts Qt Multimedia back. Not owned.
void SetSoundBackEnd(TSoundBackEnd *backEnd);

// The length in milliseconds of a PCM WAV file's sound; nullopt when the bytes are no
// such file.
std::optional<qint64> WavDurationMs(const QByteArray &wav);

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
