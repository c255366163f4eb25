#pragma once
// Building skin archives and their parts for the skin suites.
#include "SkinArchive.h"

#include <QBuffer>
#include <QImage>
#include <string>

using SkinArchive::Bytes;

inline Bytes BytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A Windows bitmap of the size asked for.
inline Bytes BitmapOf(int width, int height, QColor colour = Qt::darkCyan)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Bytes(bytes.begin(), bytes.end());
}

// The unpacked content of an archive, with every field as given, true or not.
inline Bytes ContentOf(std::uint32_t mark, std::int32_t listLength, std::string_view names,
                       const std::vector<std::int32_t> &sizes, std::string_view data)
{
    Bytes out;
    for (const std::uint32_t v : {mark, std::uint32_t(listLength), 0u, 0u})
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(std::uint8_t(v >> shift));
    out.insert(out.end(), names.begin(), names.end());
    for (const std::int32_t size : sizes)
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(std::uint8_t(std::uint32_t(size) >> shift));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A reader on an archive of these members, written and read back as a file would be.
inline TSkinReader ReaderOf(const std::vector<SkinArchive::Member> &members)
{
    TSkinReader reader;
    if (!reader.Unpack(SkinArchive::Pack(members)))
        qFatal("the test archive does not unpack: %s", reader.error().c_str());
    return reader;
}
