#pragma once
// Inputs for the LZHUF tests and benchmark, the same bytes on every run.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace LzhufSamples {
using Bytes = std::vector<std::uint8_t>;

struct Xorshift {
    std::uint32_t state;
    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// What a skin archive holds, in 4 KB stretches of each kind: ini text, pictures with
// smooth gradients and flat areas, runs, and noise that does not compress.
inline Bytes Mixed(std::size_t size)
{
    static constexpr std::string_view words[]
        = {"[Personality]\r\n", "LeftWidth=",    "TopHeight=",     "Image=", "button.bmp\r\n", "3\r\n",
           "255 0 255\r\n",     "Stretch=1\r\n", "[Scrollbar]\r\n"};
    Xorshift rng{0x5EED};
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const std::size_t end = std::min(size, out.size() + 4096);
        switch (rng.next() % 4) {
        case 0:
            while (out.size() < end) {
                const std::string_view w = words[rng.next() % std::size(words)];
                out.insert(out.end(), w.begin(), w.begin() + std::min(w.size(), end - out.size()));
            }
            break;
        case 1:
            for (std::size_t i = 0; out.size() < end; ++i)
                out.push_back(std::uint8_t((i % 64 < 40) ? 0x5B : i / 3));
            break;
        case 2:
            while (out.size() < end)
                out.insert(out.end(), std::min<std::size_t>(1 + rng.next() % 200, end - out.size()),
                           std::uint8_t(rng.next()));
            break;
        default:
            while (out.size() < end)
                out.push_back(std::uint8_t(rng.next()));
        }
    }
    return out;
}

// Drives a Huffman code past 16 bits. The coder's tree grows deepest when a few
// symbols have frequencies in the ratio of Fibonacci numbers, the smallest about as
// large as all unused symbols together; then an unused symbol sits 17 levels down.
// Here the symbols are match lengths 8 to 15, made by copying earlier stretches of
// those lengths (a copy never continues the stretch it came from); every thousandth
// copy is followed by a fresh byte, a rarely used symbol that samples the deep tree.
inline Bytes LongCodes()
{
    Xorshift rng{0xC0FFEE};
    Bytes out;
    for (int i = 0; i < 4036; ++i)
        out.push_back(std::uint8_t(rng.next()));
    std::vector<int> cycle;
    const int counts[] = {34, 21, 13, 8, 5, 3, 2, 1};
    for (int i = 0; i < 8; ++i)
        cycle.insert(cycle.end(), counts[i], 8 + i);
    std::size_t previousEnd = 0;
    int copies = 0;
    while (out.size() < 1000000) {
        for (std::size_t i = cycle.size() - 1; i > 0; --i)
            std::swap(cycle[i], cycle[rng.next() % (i + 1)]);
        for (const int length : cycle) {
            std::size_t from;
            do
                from = out.size() - 1 - rng.next() % 4000;
            while (previousEnd != 0 && out[from] == out[previousEnd]);
            for (int j = 0; j < length; ++j)
                out.push_back(out[from + std::size_t(j)]);
            previousEnd = from + std::size_t(length);
            if (++copies % 1000 == 0) {
                out.push_back(std::uint8_t(rng.next()));
                previousEnd = 0;
            }
        }
    }
    return out;
}
}  // namespace LzhufSamples
