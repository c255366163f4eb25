#pragma once
// The remembered player name: value "Name" under "Software/qen-lodar". On Windows it is
// in the registry's HKEY_LOCAL_MACHINE; elsewhere in a small ini file of the user's own,
// Qt's per-user configuration folder "qen-lodar/Kelmar.ini", which Kelmar reads and
// writes itself. The environment variable KELMAR_NAME_STORE names another file.
#include <QByteArray>
#include <QString>
#include <optional>

// The stored name; empty when none is stored or the store is no sound one: larger than
// MaxNameStoreBytes, not a plain file (a link, a FIFO, a device, a folder), not an ini
// text holding a string, or a name with control characters.
QString ReadRememberedName();
// Replaces the store with one that holds this name, in a private file (0600) of a
// private folder (0700 when Kelmar makes it); throws KelmarError when that fails.
void WriteRememberedName(const QString &name);

inline constexpr qint64 MaxNameStoreBytes = 64 * 1024;

// The name in a store's text; nullopt for a text that holds no sound name.
std::optional<QString> NameFromStoreText(const QByteArray &text);
// The text of a store that holds the name, as Qt's settings write it.
QByteArray StoreTextWithName(const QString &name);
