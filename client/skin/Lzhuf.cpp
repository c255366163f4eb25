#include "Lzhuf.h"

#include <algorithm>
#include <array>

namespace Lzhuf {
namespace {
constexpr int RingSize = 4096;                            // N
constexpr int LookAhead = 60;                             // F
constexpr int Threshold = 2;                              // a match is longer than this
constexpr int SymbolCount = 256 - Threshold + LookAhead;  // 314: bytes, then match lengths
constexpr int NodeCount = 2 * SymbolCount - 1;            // T = 627
constexpr int Root = NodeCount - 1;                       // R
constexpr unsigned RebuildFrequency = 0x8000;             // the root's frequency that halves all
constexpr int RingStart = RingSize - LookAhead;           // 4036: where writing starts
constexpr std::uint8_t Blank = ' ';                       // the ring's content before any byte

// The upper 6 bits of a match position are coded with a prefix of 3 to 8 bits: position
// group i has the code `positionCode[i]` in the top `positionBits[i]` bits of a byte.
constexpr std::array<std::uint8_t, 64> positionBits{3, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
                                                    6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
                                                    7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
constexpr std::array<std::uint8_t, 64> positionCode{
    0x00, 0x20, 0x30, 0x40, 0x50, 0x58, 0x60, 0x68, 0x70, 0x78, 0x80, 0x88, 0x90, 0x94, 0x98, 0x9C,
    0xA0, 0xA4, 0xA8, 0xAC, 0xB0, 0xB4, 0xB8, 0xBC, 0xC0, 0xC2, 0xC4, 0xC6, 0xC8, 0xCA, 0xCC, 0xCE,
    0xD0, 0xD2, 0xD4, 0xD6, 0xD8, 0xDA, 0xDC, 0xDE, 0xE0, 0xE2, 0xE4, 0xE6, 0xE8, 0xEA, 0xEC, 0xEE,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};

// The decoder's view of the same table: for every byte, the group whose code it starts
// with and that code's length.
struct PositionLookup {
    std::array<std::uint8_t, 256> group{}, bits{};
};
constexpr PositionLookup makePositionLookup()
{
    PositionLookup lookup;
    for (int g = 0; g < 64; ++g)
        for (int k = 0; k < (1 << (8 - positionBits[g])); ++k) {
            lookup.group[positionCode[g] + k] = std::uint8_t(g);
            lookup.bits[positionCode[g] + k] = positionBits[g];
        }
    return lookup;
}
constexpr PositionLookup positionLookup = makePositionLookup();

// The adaptive Huffman tree that coder and decoder keep in step. Nodes are kept in order
// of frequency; the children of node n are son[n] and son[n] + 1; a son of NodeCount
// or more is the leaf of symbol son - NodeCount.
class HuffmanTree {
public:
    HuffmanTree()
    {
        for (int i = 0; i < SymbolCount; ++i) {
            freq[i] = 1;
            son[i] = i + NodeCount;
            parent[i + NodeCount] = i;
        }
        for (int i = 0, j = SymbolCount; j <= Root; i += 2, ++j) {
            freq[j] = freq[i] + freq[i + 1];
            son[j] = i;
            parent[i] = parent[i + 1] = j;
        }
        freq[NodeCount] = 0xFFFF;  // a sentinel above every real frequency
        parent[Root] = 0;
    }

    // Counts one more of `symbol` and restores the order of the nodes.
    void update(int symbol)
    {
        if (freq[Root] == RebuildFrequency)
            rebuild();
        int c = parent[symbol + NodeCount];
        do {
            const unsigned k = ++freq[c];
            if (int l = c + 1; k > freq[l]) {
                while (k > freq[++l]) {}
                --l;
                freq[c] = freq[l];
                freq[l] = k;
                const int i = son[c];
                parent[i] = l;
                if (i < NodeCount)
                    parent[i + 1] = l;
                const int j = son[l];
                son[l] = i;
                parent[j] = c;
                if (j < NodeCount)
                    parent[j + 1] = c;
                son[c] = j;
                c = l;
            }
        } while ((c = parent[c]) != 0);
    }

    std::array<unsigned, NodeCount + 1> freq{};
    std::array<int, NodeCount + SymbolCount> parent{};
    std::array<int, NodeCount> son{};

private:
    // Halves every leaf's frequency and builds the tree afresh.
    void rebuild()
    {
        int j = 0;
        for (int i = 0; i < NodeCount; ++i)
            if (son[i] >= NodeCount) {
                freq[j] = (freq[i] + 1) / 2;
                son[j] = son[i];
                ++j;
            }
        for (int i = 0, n = SymbolCount; n < NodeCount; i += 2, ++n) {
            const unsigned f = freq[n] = freq[i] + freq[i + 1];
            int k = n - 1;
            while (f < freq[k])
                --k;
            ++k;
            std::copy_backward(freq.begin() + k, freq.begin() + n, freq.begin() + n + 1);
            freq[k] = f;
            std::copy_backward(son.begin() + k, son.begin() + n, son.begin() + n + 1);
            son[k] = i;
        }
        for (int i = 0; i < NodeCount; ++i) {
            const int k = son[i];
            parent[k] = i;
            if (k < NodeCount)
                parent[k + 1] = i;
        }
    }
};

// Bits most significant first; past the end of the input every byte reads as zero. It
// counts what it hands out, so a decoder can tell that it needed bits the input lacks.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> input) : input_(input) {}

    int bit()
    {
        fill();
        const int b = int(buffer_ >> 31);
        buffer_ <<= 1;
        --count_;
        ++used_;
        return b;
    }
    int byte()
    {
        fill();
        const int b = int(buffer_ >> 24);
        buffer_ <<= 8;
        count_ -= 8;
        used_ += 8;
        return b;
    }
    bool overrun() const { return used_ > input_.size() * 8; }

private:
    void fill()
    {
        while (count_ <= 24) {
            const std::uint32_t next = next_ < input_.size() ? input_[next_] : 0;
            ++next_;
            buffer_ |= next << (24 - count_);
            count_ += 8;
        }
    }

    std::span<const std::uint8_t> input_;
    std::size_t next_ = 0, used_ = 0;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
};

class BitWriter {
public:
    explicit BitWriter(Bytes &out) : out_(out) {}

    void bit(int b)
    {
        pending_ = std::uint8_t(pending_ << 1 | b);
        if (++count_ == 8) {
            out_.push_back(pending_);
            count_ = 0;
        }
    }
    void bits(unsigned value, int count)
    {
        for (int i = count - 1; i >= 0; --i)
            bit(int(value >> i & 1));
    }
    // The last byte, its unused low bits zero.
    void flush()
    {
        if (count_ > 0)
            out_.push_back(std::uint8_t(pending_ << (8 - count_)));
        count_ = 0;
    }

private:
    Bytes &out_;
    std::uint8_t pending_ = 0;
    int count_ = 0;
};

class Decoder {
public:
    explicit Decoder(std::span<const std::uint8_t> packed) : in_(packed) { ring_.fill(Blank); }

    std::optional<Bytes> run(std::size_t size)
    {
        Bytes out;
        out.reserve(size);
        int r = RingStart;
        const auto put = [&](std::uint8_t c) {
            out.push_back(c);
            ring_[std::size_t(r)] = c;
            r = (r + 1) & (RingSize - 1);
        };
        while (out.size() < size) {
            const int c = symbol();
            if (c < 256) {
                if (in_.overrun())
                    return std::nullopt;
                put(std::uint8_t(c));
                continue;
            }
            const int from = (r - position() - 1) & (RingSize - 1);
            if (in_.overrun())
                return std::nullopt;
            const int length = c - 255 + Threshold;
            for (int k = 0; k < length && out.size() < size; ++k)
                put(ring_[std::size_t((from + k) & (RingSize - 1))]);
        }
        return out;
    }

private:
    int symbol()
    {
        int c = tree_.son[Root];
        while (c < NodeCount)
            c = tree_.son[std::size_t(c + in_.bit())];
        c -= NodeCount;
        tree_.update(c);
        return c;
    }
    int position()
    {
        unsigned i = unsigned(in_.byte());
        const unsigned upper = unsigned(positionLookup.group[i]) << 6;
        for (int j = positionLookup.bits[i] - 2; j > 0; --j)
            i = (i << 1) + unsigned(in_.bit());
        return int(upper | (i & 0x3F));
    }

    BitReader in_;
    HuffmanTree tree_;
    std::array<std::uint8_t, RingSize> ring_;
};

// The match finder: a binary search tree over the strings that start at each ring
// position, with the ring's first LookAhead - 1 bytes repeated past its end so that a
// comparison never wraps.
class Encoder {
public:
    Encoder(std::span<const std::uint8_t> plain, Bytes &out) : plain_(plain), out_(out)
    {
        for (int i = RingSize + 1; i <= RingSize + 256; ++i)
            right_[i] = Nil;
        for (int i = 0; i < RingSize; ++i)
            up_[i] = Nil;
    }

    void run(EncodeStats *stats)
    {
        int s = 0, r = RingStart;
        std::fill(text_.begin(), text_.begin() + r, Blank);
        int len = 0;
        while (len < LookAhead && next_ < plain_.size())
            text_[std::size_t(r + len++)] = plain_[next_++];
        for (int i = 1; i <= LookAhead; ++i)
            insert(r - i);
        insert(r);
        do {
            matchLength_ = std::min(matchLength_, len);
            if (matchLength_ <= Threshold) {
                matchLength_ = 1;
                symbol(text_[std::size_t(r)]);
            } else {
                symbol(255 - Threshold + matchLength_);
                position(matchPosition_);
            }
            const int last = matchLength_;
            int i = 0;
            for (; i < last && next_ < plain_.size(); ++i) {
                const std::uint8_t c = plain_[next_++];
                remove(s);
                text_[std::size_t(s)] = c;
                if (s < LookAhead - 1)
                    text_[std::size_t(s + RingSize)] = c;
                s = (s + 1) & (RingSize - 1);
                r = (r + 1) & (RingSize - 1);
                insert(r);
            }
            while (i++ < last) {
                remove(s);
                s = (s + 1) & (RingSize - 1);
                r = (r + 1) & (RingSize - 1);
                if (--len)
                    insert(r);
            }
        } while (len > 0);
        out_.flush();
        if (stats)
            stats->longestCode = longestCode_;
    }

private:
    static constexpr int Nil = RingSize;

    // The path from the root to the symbol's leaf, written whole whatever its length.
    void symbol(int c)
    {
        int length = 0;
        for (int k = tree_.parent[std::size_t(c + NodeCount)]; k != Root; k = tree_.parent[std::size_t(k)])
            path_[std::size_t(length++)] = std::uint8_t(k & 1);
        for (int i = length - 1; i >= 0; --i)
            out_.bit(path_[std::size_t(i)]);
        longestCode_ = std::max(longestCode_, length);
        tree_.update(c);
    }
    void position(int p)
    {
        const int group = p >> 6;
        out_.bits(unsigned(positionCode[std::size_t(group)]) >> (8 - positionBits[std::size_t(group)]),
                  positionBits[std::size_t(group)]);
        out_.bits(unsigned(p & 0x3F), 6);
    }

    // Adds the string at r to the tree and finds the longest earlier match of it.
    void insert(int r)
    {
        const std::uint8_t *key = &text_[std::size_t(r)];
        int p = RingSize + 1 + key[0];
        int cmp = 1;
        right_[r] = left_[r] = Nil;
        matchLength_ = 0;
        for (;;) {
            std::array<int, RingSize + 257> &side = cmp >= 0 ? right_ : left_;
            if (side[std::size_t(p)] == Nil) {
                side[std::size_t(p)] = r;
                up_[std::size_t(r)] = p;
                return;
            }
            p = side[std::size_t(p)];
            int i = 1;
            for (; i < LookAhead; ++i)
                if ((cmp = key[i] - text_[std::size_t(p + i)]) != 0)
                    break;
            if (i > Threshold) {
                const int distance = ((r - p) & (RingSize - 1)) - 1;
                if (i > matchLength_) {
                    matchPosition_ = distance;
                    if ((matchLength_ = i) >= LookAhead)
                        break;
                } else if (i == matchLength_ && distance < matchPosition_) {
                    matchPosition_ = distance;
                }
            }
        }
        // A full-length match: r takes p's place in the tree.
        up_[std::size_t(r)] = up_[std::size_t(p)];
        left_[std::size_t(r)] = left_[std::size_t(p)];
        right_[std::size_t(r)] = right_[std::size_t(p)];
        up_[std::size_t(left_[std::size_t(p)])] = r;
        up_[std::size_t(right_[std::size_t(p)])] = r;
        replaceChild(p, r);
        up_[std::size_t(p)] = Nil;
    }

    void remove(int p)
    {
        if (up_[std::size_t(p)] == Nil)
            return;
        int q;
        if (right_[std::size_t(p)] == Nil) {
            q = left_[std::size_t(p)];
        } else if (left_[std::size_t(p)] == Nil) {
            q = right_[std::size_t(p)];
        } else {
            q = left_[std::size_t(p)];
            if (right_[std::size_t(q)] != Nil) {
                do
                    q = right_[std::size_t(q)];
                while (right_[std::size_t(q)] != Nil);
                right_[std::size_t(up_[std::size_t(q)])] = left_[std::size_t(q)];
                up_[std::size_t(left_[std::size_t(q)])] = up_[std::size_t(q)];
                left_[std::size_t(q)] = left_[std::size_t(p)];
                up_[std::size_t(left_[std::size_t(p)])] = q;
            }
            right_[std::size_t(q)] = right_[std::size_t(p)];
            up_[std::size_t(right_[std::size_t(p)])] = q;
        }
        up_[std::size_t(q)] = up_[std::size_t(p)];
        replaceChild(p, q);
        up_[std::size_t(p)] = Nil;
    }

    void replaceChild(int old, int now)
    {
        const std::size_t parent = std::size_t(up_[std::size_t(old)]);
        if (right_[parent] == old)
            right_[parent] = now;
        else
            left_[parent] = now;
    }

    std::span<const std::uint8_t> plain_;
    std::size_t next_ = 0;
    BitWriter out_;
    HuffmanTree tree_;
    std::array<std::uint8_t, RingSize + LookAhead - 1> text_{};
    // Children and parent of each ring position; right_ also holds one root per first byte.
    std::array<int, RingSize + 257> left_{}, right_{};
    std::array<int, RingSize + 1> up_{};
    int matchPosition_ = 0, matchLength_ = 0;
    std::array<std::uint8_t, NodeCount> path_{};
    int longestCode_ = 0;
};
}  // namespace

std::optional<Bytes> Decode(std::span<const std::uint8_t> packed, std::size_t size)
{
    if (size == 0)
        return Bytes();
    return Decoder(packed).run(size);
}

Bytes Encode(std::span<const std::uint8_t> plain, EncodeStats *stats)
{
    Bytes out;
    if (plain.empty()) {
        if (stats)
            *stats = {};
        return out;
    }
    out.reserve(plain.size() / 2 + 16);
    Encoder(plain, out).run(stats);
    return out;
}
}  // namespace Lzhuf
