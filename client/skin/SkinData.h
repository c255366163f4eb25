#pragma once
// The skin store (named skin files held in memory) and the skin (one skin file, unpacked
// and read, and whether it is applied). The drawing follows a skin through its signals.
#include "SkinArchive.h"
#include "SkinDefinition.h"

#include <QByteArray>
#include <QObject>
#include <QPalette>
#include <QString>
#include <future>
#include <memory>
#include <vector>

struct TSkinCollectionItem {
    QString Name;
    QByteArray Stream;  // one whole skin file
};

// Skin files by name. Errors are thrown as std::runtime_error with a text for the player.
class TSkinStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A new empty entry named "Skin1", "Skin2", ... (the first such name that is free).
    TSkinCollectionItem &Add();
    int Count() const { return int(items_.size()); }
    const TSkinCollectionItem &Item(int index) const { return items_.at(std::size_t(index)); }
    // Throws "The name NAME is already used." when another entry has that name.
    void Rename(int index, const QString &name);
    // The whole file replaces the entry's bytes; a file that can't be read, or that is
    // larger than a skin may be, throws a text naming the file.
    void LoadFromFile(int index, const QString &path);

    static constexpr qint64 MaxFileSize = 16 << 20;

private:
    std::vector<TSkinCollectionItem> items_;
};

// Unpacking a skin file takes milliseconds (its Huffman codes are read a bit at a time), so
// start-up begins it on another core while the board is built; the skin's load takes the
// result when it loads the very same bytes, and unpacks them itself otherwise.
class TSkinUnpacking {
public:
    struct Result {
        bool unpacked = false;  // what TSkinReader::Unpack returned
        TSkinReader reader;
    };
    // Main thread only, as Unpacked.
    static void Begin(QByteArray raw);
    // The bytes unpacked: the result begun for exactly these bytes, waited for, or else
    // unpacked now (a result begun for other bytes is dropped).
    static Result Unpacked(const QByteArray &raw);

private:
    static QByteArray begunFor_;
    static std::future<Result> result_;
};

// The skin: the raw bytes of one skin file, what they hold, and whether it is applied.
class TSkinData : public QObject {
    Q_OBJECT
public:
    explicit TSkinData(QObject *parent = nullptr) : QObject(parent) {}
    ~TSkinData() override;

    // Entry `index` of the store becomes the skin and is loaded; an index past the last
    // entry changes nothing.
    void SelectEntry(const TSkinStore &store, int index);
    // The file becomes the skin and is loaded when it exists; otherwise nothing happens.
    void SetSkinFile(const QString &path);
    // Switching on takes effect only once a load has completed.
    void SetActive(bool active);

    bool Active() const { return active_; }
    bool Loaded() const { return definition_ != nullptr; }
    bool Applied() const { return active_ && Loaded(); }
    // The definition of the last completed load; null before one.
    std::shared_ptr<const TSkinDefinition> Definition() const { return definition_; }
    const QByteArray &RawBytes() const { return raw_; }

    // The colours of a palette (the application's, when loading) that fill in what a
    // definition leaves out.
    static TSystemColours SystemColours(const QPalette &palette);

signals:
    // A load failed; the text says why (the older-format text as it is).
    void problem(const QString &text);
    void appliedChanged(bool applied);

private:
    void load(const QString &source);

    QByteArray raw_;
    std::shared_ptr<const TSkinDefinition> definition_;
    bool active_ = false;
};
