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
    static constexpr char hex[] = "0123456789abcdef";
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            text += QLatin1String("\\\\");
        else if (PrintableLatin1(c))
            text += QChar(byte);
        else
            text += QLatin1String("\\x") + QLatin1Char(hex[byte >> 4]) + QLatin1Char(hex[byte & 15]);
    }
    return text;
}
