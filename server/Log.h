#pragma once
// Logging categories: one line per event on kelmar.server (on by default), and a trace
// of every read and every message sent on kelmar.server.wire (off by default; switch it
// on with QT_LOGGING_RULES="kelmar.server.wire.debug=true").
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcServer)
Q_DECLARE_LOGGING_CATEGORY(lcWire)

// A printable character of the Latin-1 set: not a C0 control (below 0x20), not DEL
// (0x7F) and not a C1 control (0x80 to 0x9F).
bool PrintableLatin1(char c);

// Bytes from a client as the log writes them: printable Latin-1 characters as they are,
// a backslash doubled and every other byte as \xHH, so that nothing a client sends can
// reach an operator's terminal as a control sequence.
QString Escaped(QByteArrayView bytes);
// Appends the bytes to text as Escaped() writes them.
void AppendEscaped(QString &text, QByteArrayView bytes);

// Writes a finished line on kelmar.server at info level, as qCInfo(lcServer).noquote()
// << line does, to the same message handler, without building a stream for it.
void WriteInfo(const QString &line);
