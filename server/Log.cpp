#include "Log.h"

Q_LOGGING_CATEGORY(lcServer, "kelmar.server", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWire, "kelmar.server.wire", QtInfoMsg)

bool PrintableLatin1(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x20 && byte < 0x7f) || byte >= 0xa0;
}

QString Escaped(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    AppendEscaped(text, bytes);
    return text;
}

void AppendEscaped(QString &text, QByteArrayView bytes)
{
    static constexpr char hex[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            text += u"\\\\";
        } else if (PrintableLatin1(c)) {
            text += QChar(byte);
        } else {
            text += u"\\x";
            text += QLatin1Char(hex[byte >> 4]);
            text += QLatin1Char(hex[byte & 15]);
        }
    }
}

void WriteInfo(const QString &line)
{
    const QLoggingCategory &category = lcServer();
    if (category.isInfoEnabled())
        qt_message_output(
            QtInfoMsg,
            QMessageLogContext(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC, category.categoryName()),
            line);
}
