#pragma once
// The skin archive: a little-endian 32-bit length and an LZHUF stream which unpacks to
// a 16-byte header (the format mark 20000, the length L of the name list, 8 reserved
// bytes), the member names as L bytes of lines, one signed 32-bit size per name, and
// the members' bytes one after the other. Toolkit-free: the program, the skin tool and
// the fuzzers read archives with it, and the build writes the shipped skin with it.
#include "Lzhuf.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace SkinArchive {
using Bytes = Lzhuf::Bytes;

inline constexpr std::uint32_t FormatMark = 20000;
inline constexpr std::size_t HeaderSize = 16;
inline constexpr std::size_t MaxMembers = 1001;
// Skins are a few hundred kilobytes; an archive that announces more than this is refused
// before anything is decoded.
inline constexpr std::size_t MaxUnpackedSize = 64u << 20;
// The one text the reader shows as it is: an archive with another format mark.
inline constexpr char OlderSkinText[] = "This is Older Skin File\rPlease update to new version !";

struct Member {
    std::string name;
    Bytes data;
};

// A whole archive file of the members in this order; their names are written as they
// are, one per line, separated by CR LF. Throws std::invalid_argument for a name with a
// line break or none at all, more than MaxMembers members, or a size past 32 bits.
Bytes Pack(const std::vector<Member> &members);
}  // namespace SkinArchive

// Unpacks an archive and finds its members. Every count, length and size is checked
// against the bytes really there before it is used.
class TSkinReader {
public:
    enum class Failure { None, OlderFormat, Damaged };

    // A whole archive file: false when it can't be read, with failure() and error() set.
    bool Unpack(std::span<const std::uint8_t> raw);
    // The unpacked content alone (header, names, sizes, data).
    bool UnpackContent(SkinArchive::Bytes content);

    Failure failure() const { return failure_; }
    // OlderSkinText for another format mark; otherwise what is wrong, as a phrase such as
    // "its name list runs past the end of its content".
    const std::string &error() const { return error_; }

    std::uint32_t Mark() const { return mark_; }
    std::int32_t NameListLength() const { return nameListLength_; }
    const std::vector<std::string> &Names() const { return names_; }  // lower case
    std::span<const std::uint8_t> Data(std::size_t index) const;      // empty outside the list

    // The first member of exactly this name (compared in lower case); empty when none.
    std::span<const std::uint8_t> FindExact(std::string_view name) const;
    struct Found {
        std::string name;  // empty when none
        std::span<const std::uint8_t> data;
    };
    // The first member whose lower-case name contains `part`, taken as it is.
    Found FindPart(std::string_view part) const;

private:
    bool fail(Failure failure, std::string text);

    SkinArchive::Bytes content_;
    std::vector<std::string> names_;
    std::vector<std::size_t> offsets_, sizes_;
    std::size_t dataStart_ = 0;
    std::uint32_t mark_ = 0;
    std::int32_t nameListLength_ = 0;
    Failure failure_ = Failure::None;
    std::string error_;
};

// ASCII letters A to Z in lower case, every other byte as it is.
std::string LowerAscii(std::string_view text);
