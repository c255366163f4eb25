#include "SkinData.h"

#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <stdexcept>

namespace {
std::runtime_error failure(const QString &text) { return std::runtime_error(text.toStdString()); }

std::span<const std::uint8_t> bytesOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}
}  // namespace

QByteArray TSkinUnpacking::begunFor_;
std::future<TSkinUnpacking::Result> TSkinUnpacking::result_;

namespace {
TSkinUnpacking::Result unpack(const QByteArray &raw)
{
    TSkinUnpacking::Result result;
    result.unpacked = result.reader.Unpack(bytesOf(raw));
    return result;
}
}  // namespace

void TSkinUnpacking::Begin(QByteArray raw)
{
    begunFor_ = raw;
    result_ = std::async(std::launch::async, [raw = std::move(raw)] { return unpack(raw); });
}

TSkinUnpacking::Result TSkinUnpacking::Unpacked(const QByteArray &raw)
{
    if (result_.valid()) {
        Result early = result_.get();
        if (std::exchange(begunFor_, {}) == raw)
            return early;
    }
    return unpack(raw);
}

TSkinCollectionItem &TSkinStore::Add()
{
    QString name;
    for (int n = 1; name.isEmpty(); ++n) {
        name = QStringLiteral("Skin%1").arg(n);
        for (const TSkinCollectionItem &item : items_)
            if (item.Name == name)
                name.clear();
    }
    return items_.emplace_back(TSkinCollectionItem{name, {}});
}

void TSkinStore::Rename(int index, const QString &name)
{
    for (int i = 0; i < Count(); ++i)
        if (i != index && items_[std::size_t(i)].Name == name)
            throw failure(QStringLiteral("The name ") + name + QStringLiteral(" is already used."));
    items_.at(std::size_t(index)).Name = name;
}

void TSkinStore::LoadFromFile(int index, const QString &path)
{
    TSkinCollectionItem &item = items_.at(std::size_t(index));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw failure(QStringLiteral("The skin file %1 can't be read: %2").arg(path, file.errorString()));
    if (file.size() > MaxFileSize)
        throw failure(QStringLiteral("The skin file %1 is larger than a skin may be").arg(path));
    // As much as the file holds: a buffer of the largest size allowed costs more than the read.
    const QByteArray bytes = file.read(std::min(file.size(), MaxFileSize) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxFileSize)
        throw failure(QStringLiteral("The skin file %1 can't be read: %2").arg(path, file.errorString()));
    item.Stream = bytes;
}

TSkinData::~TSkinData()
{
    // The drawing lets go of the skin while the windows it dresses still stand.
    SetActive(false);
}

void TSkinData::SelectEntry(const TSkinStore &store, int index)
{
    if (index < 0 || index >= store.Count())
        return;
    raw_ = store.Item(index).Stream;
    load(store.Item(index).Name);
}

void TSkinData::SetSkinFile(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    raw_ = file.read(std::min(file.size(), TSkinStore::MaxFileSize) + 1);
    load(path);
}

void TSkinData::SetActive(bool active)
{
    if (active == active_)
        return;
    const bool was = Applied();
    active_ = active;
    if (Applied() != was)
        emit appliedChanged(Applied());
}

void TSkinData::load(const QString &source)
{
    const bool was = Applied();
    const auto fail = [&](const QString &reason) {
        definition_.reset();
        emit problem(QStringLiteral("The skin %1 can't be used: %2.").arg(source, reason));
        if (was)
            emit appliedChanged(false);
    };
    if (raw_.size() > TSkinStore::MaxFileSize)
        return fail(QStringLiteral("it is larger than a skin may be"));
    TSkinUnpacking::Result unpacking = TSkinUnpacking::Unpacked(raw_);
    const TSkinReader &reader = unpacking.reader;
    if (!unpacking.unpacked) {
        if (reader.failure() == TSkinReader::Failure::OlderFormat) {
            definition_.reset();
            emit problem(QString::fromLatin1(SkinArchive::OlderSkinText));
            if (was)
                emit appliedChanged(false);
            return;
        }
        return fail(QString::fromStdString(reader.error()));
    }
    const TSkinReader::Found definition = reader.FindPart(".ini");
    if (definition.name.empty())
        return fail(QStringLiteral("it holds no definition (a member whose name contains .ini)"));
    if (definition.data.size() > SkinLimits::MaxDefinitionSize)
        return fail(QStringLiteral("its definition is larger than a definition may be"));
    const std::string_view text(reinterpret_cast<const char *>(definition.data.data()), definition.data.size());
    auto read = std::make_shared<const TSkinDefinition>(
        ReadSkinDefinition(text, reader, SystemColours(QGuiApplication::palette())));
    if (const QStringList refused = WindowLimitProblems(*read); !refused.isEmpty())
        return fail(refused.join(QStringLiteral("; ")));
    definition_ = std::move(read);
    if (active_)
        emit appliedChanged(true);
}

TSystemColours TSkinData::SystemColours(const QPalette &p)
{
    TSystemColours c;
    c.WindowText = p.color(QPalette::WindowText);
    c.ButtonFace = p.color(QPalette::Button);
    c.Scrollbar = p.color(QPalette::Mid);
    c.HilightText = p.color(QPalette::HighlightedText);
    c.Hilight = p.color(QPalette::Highlight);
    c.Menu = p.color(QPalette::Window);
    c.MenuText = p.color(QPalette::WindowText);
    c.ButtonText = p.color(QPalette::ButtonText);
    c.ButtonHilight = p.color(QPalette::Light);
    c.ButtonShadow = p.color(QPalette::Dark);
    c.CaptionText = p.color(QPalette::HighlightedText);
    c.InactiveCaptionText = p.color(QPalette::Disabled, QPalette::WindowText);
    return c;
}
