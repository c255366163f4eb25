#include "Gif.h"

#include <unordered_map>

namespace {
void putWord(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// Packs variable-width codes least significant bit first, as GIF wants them.
class BitWriter {
public:
    void put(int code, int width)
    {
        bits |= std::uint32_t(code) << count;
        count += width;
        while (count >= 8) {
            bytes.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    QByteArray finish()
    {
        if (count > 0)
            bytes.append(char(bits & 0xFF));
        return bytes;
    }

private:
    QByteArray bytes;
    std::uint32_t bits = 0;
    int count = 0;
};

constexpr int MinCodeSize = 8;
constexpr int ClearCode = 1 << MinCodeSize;
constexpr int EndCode = ClearCode + 1;
constexpr int MaxCodes = 4095;  // the table is restarted before its last code is taken

// Variable-width LZW over 8-bit pixels. The code width grows at the moment the
// decoder's table (one entry behind ours) will need it.
QByteArray compress(const QImage &frame)
{
    BitWriter writer;
    std::unordered_map<std::uint32_t, int> table;
    int next = EndCode + 1;
    int width = MinCodeSize + 1;
    auto restart = [&] {
        writer.put(ClearCode, width);
        table.clear();
        next = EndCode + 1;
        width = MinCodeSize + 1;
    };
    auto output = [&](int code) {
        writer.put(code, width);
        if (next >= (1 << width) && width < 12)
            ++width;
    };

    restart();
    int prefix = -1;
    for (int y = 0; y < frame.height(); ++y) {
        const uchar *line = frame.constScanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const int pixel = line[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const std::uint32_t key = std::uint32_t(prefix) << 8 | std::uint32_t(pixel);
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            output(prefix);
            if (next < MaxCodes)
                table.emplace(key, next++);
            else
                restart();
            prefix = pixel;
        }
    }
    output(prefix);
    writer.put(EndCode, width);
    return writer.finish();
}

// Image data travels in sub-blocks of at most 255 bytes, closed by an empty one.
void putSubBlocks(QByteArray &out, const QByteArray &data)
{
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
}

void putHeader(QByteArray &out, const QImage &first)
{
    out.append("GIF89a");
    putWord(out, first.width());
    putWord(out, first.height());
    out.append(char(0xF7));  // a global table of 256 colours, 8 bits per primary
    out.append(char(0));     // background colour index
    out.append(char(0));     // square pixels
    const QList<QRgb> colours = first.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    // The NETSCAPE2.0 application block: loop count 0, for ever.
    out.append("\x21\xFF\x0B", 3);
    out.append("NETSCAPE2.0");
    out.append("\x03\x01\x00\x00\x00", 5);
}

void putFrame(QByteArray &out, const QImage &frame, int delayCentiseconds)
{
    // Graphic control extension: each frame replaces the last, no transparency.
    out.append("\x21\xF9\x04", 3);
    out.append(char(0x04));
    putWord(out, delayCentiseconds);
    out.append(char(0));
    out.append(char(0));
    // Image descriptor: the whole canvas, no local colour table, not interlaced.
    out.append(char(0x2C));
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, frame.width());
    putWord(out, frame.height());
    out.append(char(0));
    out.append(char(MinCodeSize));
    putSubBlocks(out, compress(frame));
}
}  // namespace

QByteArray EncodeAnimatedGif(const QList<QImage> &frames, int delayCentiseconds)
{
    QByteArray out;
    if (frames.isEmpty())
        return out;
    putHeader(out, frames.first());
    for (const QImage &frame : frames)
        putFrame(out, frame, delayCentiseconds);
    out.append(char(0x3B));
    return out;
}
