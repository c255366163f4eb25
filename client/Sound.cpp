#include "Sound.h"

#include "Global.h"
#include "IniFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <map>

namespace {
// A sound effect is a few seconds; anything this large is no effect of ours.
constexpr qint64 MaxEffectBytes = 16 << 20;

class TQtVoice : public TEffectVoice {
public:
    TQtVoice(const QString &path, QObject *owner) : effect_(new QSoundEffect(owner))
    {
        effect_->setSource(QUrl::fromLocalFile(path));
    }
    void Start() override
    {
        if (!effect_)
            return;
        effect_->stop();
        effect_->play();
    }

private:
    QPointer<QSoundEffect> effect_;
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
    std::unique_ptr<TEffectVoice> Voice(const QString &path, QObject *owner) override
    {
        return std::make_unique<TQtVoice>(path, owner);
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

// Reads the file and opens a player on it: its length from the file, its sound from the
// back end.
std::unique_ptr<TEffectPlayer> openEffect(const QString &path, bool autoRewind, QObject *owner)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": %2").arg(path, file.errorString()));
    const std::optional<qint64> duration = WavDurationMs(file.read(MaxEffectBytes));
    if (!duration)
        throw KelmarError(QStringLiteral("Cannot open sound \"%1\": not a PCM WAV file").arg(path));
    return std::make_unique<TEffectPlayer>(backEnd().Voice(path, owner), *duration, autoRewind);
}

bool switchOn(const char *key) { return Config().ReadSwitch(QStringLiteral("Music"), QLatin1String(key)); }
}  // namespace

void SetSoundBackEnd(TSoundBackEnd *backEnd) { replacement = backEnd; }

std::optional<qint64> WavDurationMs(const QByteArray &wav)
{
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 bytesPerSecond = 0;
    for (qsizetype at = 12; at + 8 <= wav.size();) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 size = littleEndian(wav, at + 4, 4);
        if (id == "fmt " && size >= 16 && at + 24 <= wav.size()) {
            if (littleEndian(wav, at + 8, 2) != 1)  // PCM only
                return std::nullopt;
            bytesPerSecond = littleEndian(wav, at + 16, 4);
        } else if (id == "data") {
            if (bytesPerSecond == 0)
                return std::nullopt;
            // A data chunk cut short by the end of the file plays what is there.
            const qint64 bytes = std::min<qint64>(size, wav.size() - at - 8);
            return bytes * 1000 / bytesPerSecond;
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return std::nullopt;
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
            = openEffect(ResourceDir() + effect + QStringLiteral(".wav"), effect != QLatin1String("FX4"), effects);
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
