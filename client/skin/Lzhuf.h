#pragma once
// LZHUF, the LZSS coder with adaptive Huffman coding by Okumura and Yoshizaki, in which
// skin archives are compressed: a 4096-byte ring buffer, a 60-byte look-ahead, matches
// of 3 to 60 bytes, 314 literal-and-length symbols on an adaptive Huffman tree, match
// positions by a fixed prefix table. Free of any toolkit, so that the program, the skin
// tool, the tests and the fuzzers share it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace Lzhuf {
using Bytes = std::vector<std::uint8_t>;

// Decodes `size` bytes from `packed`, the coded stream alone. Output stops exactly at
// `size` bytes, even inside a match. nullopt when the stream ends before that: reading
// past its end yields zero bits, but a symbol that needs them means the stream was cut.
std::optional<Bytes> Decode(std::span<const std::uint8_t> packed, std::size_t size);

struct EncodeStats {
    int longestCode = 0;  // the longest Huffman code written, in bits
};
// Codes `plain` so that Decode(result, plain.size()) gives it back. Huffman codes of
// rare symbols can grow past 16 bits; each is written whole.
Bytes Encode(std::span<const std::uint8_t> plain, EncodeStats *stats = nullptr);
}  // namespace Lzhuf
