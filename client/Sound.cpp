#include "Sound.h"

#include "Global.h"
#include "IniFile.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <map>

namespace {
// A sound effect is a few seconds; anything this large is no effect of ours.
constexpr qint64 MaxEffectBytes = 16 << 20;

QAudioFormat formatOf(const TPcmSound &sound)
{
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8        ? QAudioFormat::UInt8
                               : sound.bitsPerSample == 16 ? QAudioFormat::Int16
                                                           : QAudioFormat::Int32);
    return format;
}

// One stream per effect, opened when the effect is prepared, so that its first play
// does not wait for the audio server, and kept open until the effect goes.
class TQtVoice : public TEffectVoice {
public:
    explicit TQtVoice(const TPcmSound &sound)
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;  // no audio device: the effect is silent
        // The sink may still hand the server its last bytes when the effect goes, so it
        // is deleted from the event loop, and with the application at the latest.
        sink_ = new QAudioSink(device, formatOf(sound), QCoreApplication::instance());
        source_ = new TPcmSource(sound.samples, sink_);
        sink_->start(source_);
    }
    ~TQtVoice() override
    {
        if (sink_)
            sink_->deleteLater();
    }
    void Start() override
    {
        if (!sink_)
            return;
        source_->Rewind();
        if (sink_->state() == QAudio::StoppedState)  // after an error of the stream
            sink_->start(source_);
    }

private:
    QPointer<QAudioSink> sink_;
    TPcmSource *source_ = nullptr;  // the sink's child
};

class TQtBackEnd : public TSoundBackEnd {
public:
    TQtBackEnd() { clock_.start(); }
    void Loop(const QString &path, QObject *owner) override
    {
        auto *music = new QSoundEffect(owner);
        music->setSource(QUrl::fromLocalFile(path));
        music->setLoopCount(QSoundEffect::Infinite);
        music->play();
    }
    std::unique_ptr<TEffectVoice> Voice(const QString &, const TPcmSound &sound) override
    {
        return std::make_unique<TQtVoice>(sound);
    }
    qint64 NowMs() const override { return clock_.elapsed(); }

private:
    QElapsedTimer clock_;
};

TSoundBackEnd *replacement = nullptr;

TSoundBackEnd &backEnd()
{
    static TQtBackEnd qt;
    return replacement ? *replacement : qt;
}

// The effect players of the board that is up; they go with it.
class TEffects : public QObject {
public:
    using QObject::QObject;
    std::map<QString, std::unique_ptr<TEffectPlayer>> players;
};
QPointer<TEffects> effects;
QPointer<QObject> soundOwner;  // the music and the effect players live as long as it

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// Reads the file and opens a player on it: its length and its sound from the file.
std::unique_ptr<TEffectPlayer> openEffect(const QString &path, bool autoRewind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": %2").arg(path, file.errorString()));
    const std::optional<TPcmSound> sound = ReadWav(file.read(MaxEffectBytes));
    if (!sound)
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": not a PCM WAV file").arg(path));
    return std::make_unique<TEffectPlayer>(backEnd().Voice(path, *sound), sound->DurationMs(), autoRewind);
}

bool switchOn(const char *key) { return Config().ReadSwitch(QStringLiteral("Music"), QLatin1String(key)); }
}  // namespace

void SetSoundBackEnd(TSoundBackEnd *backEnd) { replacement = backEnd; }

qint64 TPcmSound::DurationMs() const
{
    const qint64 bytesPerSecond = qint64(sampleRate) * channels * (bitsPerSample / 8);
    return bytesPerSecond > 0 ? samples.size() * 1000 / bytesPerSecond : 0;
}

std::optional<TPcmSound> ReadWav(const QByteArray &wav)
{
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<TPcmSound> sound;
    for (qsizetype at = 12; at + 8 <= wav.size();) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 size = littleEndian(wav, at + 4, 4);
        if (id == "fmt " && size >= 16 && at + 24 <= wav.size()) {
            if (littleEndian(wav, at + 8, 2) != 1)  // PCM only
                return std::nullopt;
            sound = TPcmSound{int(littleEndian(wav, at + 12, 4)),
                              int(littleEndian(wav, at + 10, 2)),
                              int(littleEndian(wav, at + 22, 2)),
                              {}};
        } else if (id == "data") {
            const bool playable = sound && sound->sampleRate >= 1000 && sound->sampleRate <= 192000
                && sound->channels >= 1 && sound->channels <= 8
                && (sound->bitsPerSample == 8 || sound->bitsPerSample == 16 || sound->bitsPerSample == 32);
            if (!playable)
                return std::nullopt;
            // A data chunk cut short by the end of the file plays what is there, in whole frames.
            const qint64 frame = sound->channels * sound->bitsPerSample / 8;
            const qint64 bytes = std::min<qint64>(size, wav.size() - at - 8);
            sound->samples = wav.mid(at + 8, bytes - bytes % frame);
            return sound;
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return std::nullopt;
}

std::optional<qint64> WavDurationMs(const QByteArray &wav)
{
    const std::optional<TPcmSound> sound = ReadWav(wav);
    return sound ? std::optional<qint64>(sound->DurationMs()) : std::nullopt;
}

TPcmSource::TPcmSource(QByteArray samples, QObject *parent) : QIODevice(parent), samples_(std::move(samples))
{
    open(QIODevice::ReadOnly);
    seek(samples_.size());
}

void TPcmSource::Rewind()
{
    seek(0);
    emit readyRead();
}

qint64 TPcmSource::readData(char *data, qint64 maxSize)
{
    const qint64 count = std::clamp<qint64>(samples_.size() - pos(), 0, maxSize);
    std::memcpy(data, samples_.constData() + pos(), std::size_t(count));
    return count;
}

TEffectPlayer::TEffectPlayer(std::unique_ptr<TEffectVoice> voice, qint64 durationMs, bool autoRewind)
    : voice_(std::move(voice)), duration_(durationMs), autoRewind_(autoRewind)
{
}

void TEffectPlayer::Play(qint64 nowMs)
{
    if (startedAt_ && nowMs - *startedAt_ < duration_)
        return;  // still sounding: it goes on
    if (startedAt_ && !autoRewind_)
        return;  // it stands at its end, and playing from there is silent
    startedAt_ = nowMs;
    voice_->Start();
}

void StartMultimedia(QObject *owner)
{
    soundOwner = owner;
    delete effects.data();
    if (switchOn("MainMusic"))
        PlayMusic(QStringLiteral("Data2"));
    if (!switchOn("FxMusic"))
        return;
    effects = new TEffects(owner);
    // FX4 is the only effect without auto-rewind: it sounds until it first reaches its end.
    for (const char *name : {"FX1", "Fx2", "FX3", "FX4", "clap"}) {
        const QString effect = QLatin1String(name);
        effects->players[effect]
            = openEffect(ResourceDir() + effect + QStringLiteral(".wav"), effect != QLatin1String("FX4"));
    }
}

void PlayMusic(const QString &name) { backEnd().Loop(ResourceDir() + name + QStringLiteral(".kmr"), soundOwner); }

void PlayEffect(const QString &name)
{
    if (!effects || !switchOn("FxMusic"))
        return;
    const auto player = effects->players.find(name);
    if (player != effects->players.end())
        player->second->Play(backEnd().NowMs());
}
