#include "Sound.h"

#include "Global.h"
#include "IniFile.h"

#include <QFile>
#include <QPointer>
#include <algorithm>
#include <map>

namespace {
// A sound effect is a few seconds; anything this large is no effect of ours.
constexpr qint64 MaxEffectBytes = 16 << 20;

constexpr char SoundLibrary[] = "libkelmar-sound.so";

// Loads the library once, on the first call. A library that cannot be loaded leaves the
// program silent, and says why on the standard error output: sounds are asked for in
// the middle of play, where a box would be in the player's way.
TSoundBackEnd *loadedBackEnd()
{
    static const std::unique_ptr<TSoundBackEnd> loaded = [] {
        QString error;
        using Create = TSoundBackEnd *(*)();
        const auto create = reinterpret_cast<Create>(
            ProgramLibraryEntry(QLatin1String(SoundLibrary), "KelmarCreateSoundBackEnd", error));
        if (!create)
            qWarning("No sound: %s", qPrintable(error));
        return std::unique_ptr<TSoundBackEnd>(create ? create() : nullptr);
    }();
    return loaded.get();
}

TSoundBackEnd *replacement = nullptr;

// The back end, loaded when first asked for; nullptr when there is none.
TSoundBackEnd *backEnd() { return replacement ? replacement : loadedBackEnd(); }

// The effect players of the board that is up; they go with it.
class TEffects : public QObject {
public:
    using QObject::QObject;
    std::map<QString, std::unique_ptr<TEffectPlayer>> players;
};
QPointer<TEffects> effects;
QPointer<QObject> soundOwner;  // the music and the effect players live as long as it
bool musicAsked = false;       // by start-up, for when the board is on the screen

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// A WAV file's chunks before its samples are a few dozen bytes; more than this is no
// effect of ours either.
constexpr qint64 MaxWavHeadBytes = 64 << 10;

// Checks the file and prepares a player on it: its format and the place of its sound,
// from the file's first bytes. The sound itself is read when the player is opened.
std::unique_ptr<TEffectPlayer> readEffect(const QString &path, bool autoRewind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": %2").arg(path, file.errorString()));
    const qint64 size = std::min(file.size(), MaxEffectBytes);
    const std::optional<TWavLayout> layout = ReadWavLayout(file.read(std::min(size, MaxWavHeadBytes)), size);
    if (!layout)
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": not a PCM WAV file").arg(path));
    return std::make_unique<TEffectPlayer>(path, *layout, autoRewind);
}

// The sound of a player's file, as its layout places it; nullopt when the file cannot be
// read now.
std::optional<TPcmSound> readSound(const QString &path, const TWavLayout &layout)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(layout.dataAt))
        return std::nullopt;
    TPcmSound sound = layout.format;
    sound.samples = file.read(layout.dataBytes);
    if (sound.samples.size() != layout.dataBytes)
        return std::nullopt;
    return sound;
}

void openEffects(TSoundBackEnd &out)
{
    for (auto &[name, player] : effects->players)
        player->Open(out);
}

bool switchOn(const char *key) { return Config().ReadSwitch(QStringLiteral("Music"), QLatin1String(key)); }
}  // namespace

void SetSoundBackEnd(TSoundBackEnd *backEnd) { replacement = backEnd; }

qint64 TPcmSound::DurationMs(qint64 bytes) const
{
    const qint64 bytesPerSecond = qint64(sampleRate) * channels * (bitsPerSample / 8);
    return bytesPerSecond > 0 ? bytes * 1000 / bytesPerSecond : 0;
}

std::optional<TWavLayout> ReadWavLayout(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<TPcmSound> format;
    for (qint64 at = 12; at + 8 <= head.size();) {
        const QByteArray id = head.mid(at, 4);
        const quint32 size = littleEndian(head, at + 4, 4);
        if (id == "fmt " && size >= 16 && at + 24 <= head.size()) {
            if (littleEndian(head, at + 8, 2) != 1)  // PCM only
                return std::nullopt;
            format = TPcmSound{int(littleEndian(head, at + 12, 4)),
                               int(littleEndian(head, at + 10, 2)),
                               int(littleEndian(head, at + 22, 2)),
                               {}};
        } else if (id == "data") {
            const bool playable = format && format->sampleRate >= 1000 && format->sampleRate <= 192000
                && format->channels >= 1 && format->channels <= 8
                && (format->bitsPerSample == 8 || format->bitsPerSample == 16 || format->bitsPerSample == 32);
            if (!playable)
                return std::nullopt;
            // A data chunk cut short by the end of the file plays what is there, in whole frames.
            const qint64 frame = format->channels * format->bitsPerSample / 8;
            const qint64 bytes = std::max<qint64>(0, std::min<qint64>(size, fileSize - at - 8));
            return TWavLayout{*format, at + 8, bytes - bytes % frame};
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return std::nullopt;
}

std::optional<TPcmSound> ReadWav(const QByteArray &wav)
{
    const std::optional<TWavLayout> layout = ReadWavLayout(wav, wav.size());
    if (!layout)
        return std::nullopt;
    TPcmSound sound = layout->format;
    sound.samples = wav.mid(layout->dataAt, layout->dataBytes);
    return sound;
}

std::optional<qint64> WavDurationMs(const QByteArray &wav)
{
    const std::optional<TPcmSound> sound = ReadWav(wav);
    return sound ? std::optional<qint64>(sound->DurationMs()) : std::nullopt;
}

TEffectPlayer::TEffectPlayer(QString path, TWavLayout layout, bool autoRewind)
    : path_(std::move(path)), layout_(std::move(layout)), autoRewind_(autoRewind)
{
}

void TEffectPlayer::Open(TSoundBackEnd &backEnd)
{
    if (voice_ || unreadable_)
        return;
    // A file that went or changed since start-up leaves this effect silent.
    const std::optional<TPcmSound> sound = readSound(path_, layout_);
    unreadable_ = !sound;
    if (sound)
        voice_ = backEnd.Voice(path_, *sound);
}

void TEffectPlayer::Play(TSoundBackEnd &backEnd)
{
    const qint64 now = backEnd.NowMs();
    if (startedAt_ && now - *startedAt_ < layout_.format.DurationMs(layout_.dataBytes))
        return;  // still sounding: it goes on
    if (startedAt_ && !autoRewind_)
        return;  // it stands at its end, and playing from there is silent
    startedAt_ = now;
    Open(backEnd);
    if (voice_)
        voice_->Start();
}

void StartMultimedia(QObject *owner)
{
    soundOwner = owner;
    delete effects.data();
    musicAsked = switchOn("MainMusic");
    const bool effectsOn = switchOn("FxMusic");
    if (effectsOn) {
        effects = new TEffects(owner);
        // FX4 is the only effect without auto-rewind: it sounds until it first reaches its end.
        for (const char *name : {"FX1", "Fx2", "FX3", "FX4", "clap"}) {
            const QString effect = QLatin1String(name);
            effects->players[effect]
                = readEffect(ResourceDir() + effect + QStringLiteral(".wav"), effect != QLatin1String("FX4"));
        }
    }
    const QString library = ExeDir() + QLatin1String(SoundLibrary);
    if ((musicAsked || effectsOn) && !replacement && !QFile::exists(library))
        throw KelmarError(QStringLiteral("Cannot load the sound output \"%1\": the file is missing").arg(library));
}

void StartMusic()
{
    if (!std::exchange(musicAsked, false))
        return;
    PrepareSound();
    PlayMusic(QStringLiteral("Data2"));
}

void PrepareSound()
{
    if (!effects || !switchOn("FxMusic"))
        return;
    if (TSoundBackEnd *out = backEnd())
        openEffects(*out);
}

void PlayMusic(const QString &name)
{
    if (TSoundBackEnd *out = backEnd())
        out->Loop(ResourceDir() + name + QStringLiteral(".kmr"), soundOwner);
}

void PlayEffect(const QString &name)
{
    if (!effects || !switchOn("FxMusic"))
        return;
    const auto player = effects->players.find(name);
    TSoundBackEnd *out = player != effects->players.end() ? backEnd() : nullptr;
    if (!out)
        return;
    openEffects(*out);  // the first effect opens them all, so that none later waits
    player->second->Play(*out);
}
