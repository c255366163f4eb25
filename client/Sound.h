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

// A PCM WAV file's sound: its format and its samples.
struct TPcmSound {
    int sampleRate = 0, channels = 0, bitsPerSample = 0;
    QByteArray samples;
    qint64 DurationMs() const { return DurationMs(samples.size()); }
    qint64 DurationMs(qint64 bytes) const;  // of that many bytes of samples in this format
};
// Where a PCM WAV file's samples lie, and their format (with no samples).
struct TWavLayout {
    TPcmSound format;
    qint64 dataAt = 0, dataBytes = 0;
};
// The layout of a PCM WAV file of 8, 16 or 32 bits from its first bytes and its size;
// nullopt when they are no such file's.
std::optional<TWavLayout> ReadWavLayout(const QByteArray &head, qint64 fileSize);
// The sound of a PCM WAV file of 8, 16 or 32 bits; nullopt when the bytes are no such file.
std::optional<TPcmSound> ReadWav(const QByteArray &wav);
std::optional<qint64> WavDurationMs(const QByteArray &wav);

// One effect's sound as the audio system plays it.
class TEffectVoice {
public:
    virtual ~TEffectVoice() = default;
    virtual void Start() = 0;  // from the beginning
};

// Where sound goes: Qt Multimedia, from the library that the program loads for its first
// sound; tests put a recorder in its place.
class TSoundBackEnd {
public:
    virtual ~TSoundBackEnd() = default;
    // Loops the file until `owner` goes; a file that cannot be played stays silent.
    virtual void Loop(const QString &path, QObject *owner) = 0;
    virtual std::unique_ptr<TEffectVoice> Voice(const QString &path, const TPcmSound &sound) = 0;
    virtual qint64 NowMs() const = 0;  // a steady clock
};
// Replaces the back end (tests); nullptr puts the loaded one back. Not owned.
void SetSoundBackEnd(TSoundBackEnd *backEnd);

// One effect: the play command on a play position. Its sound is read and its stream
// opened when the audio back end is loaded, at the latest on its first play.
class TEffectPlayer {
public:
    TEffectPlayer(QString path, TWavLayout layout, bool autoRewind);
    void Open(TSoundBackEnd &backEnd);
    void Play(TSoundBackEnd &backEnd);

private:
    QString path_;
    TWavLayout layout_;
    bool autoRewind_;
    bool unreadable_ = false;  // the file could not be read when the player was opened
    std::unique_ptr<TEffectVoice> voice_;
    std::optional<qint64> startedAt_;  // none while the position stands at the start
};

// Start-up: checks the effect files and prepares their players when FxMusic reads "yes",
// notes the music when MainMusic reads "yes", both living as long as `owner`. No audio
// library is loaded yet. An effect file that cannot be read, or a missing sound library,
// raises KelmarError naming it.
void StartMultimedia(QObject *owner);
// Once the board is on the screen: when start-up asked for music, loads the audio back
// end, opens the effects' streams and loops the music.
void StartMusic();
// Loads the audio back end and opens the effects' streams, when effects are prepared and
// not yet open: a stream takes the audio server a moment to set up.
void PrepareSound();
// Loops ResourceDir + name + ".kmr".
void PlayMusic(const QString &name);
// Plays one effect ("FX1", "Fx2", "FX3", "FX4", "clap") when FxMusic reads "yes" now
// and its player was prepared at start-up. The first sound loads the audio back end.
void PlayEffect(const QString &name);
