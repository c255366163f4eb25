#include "SkinArchive.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

using SkinArchive::Bytes;

namespace {
std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
        | std::uint32_t(bytes[at + 3]) << 24;
}

void appendU32(Bytes &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

// Lines end at CR LF, LF or CR; a break at the very end starts no further line. Stops
// after `limit` + 1 lines, as that is already too many.
std::vector<std::string> splitLines(std::string_view text, std::size_t limit)
{
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() <= limit) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        lines.emplace_back(text.substr(0, end));
        std::size_t next = end;
        if (next < text.size())
            next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        text.remove_prefix(next);
    }
    return lines;
}
}  // namespace

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

Bytes SkinArchive::Pack(const std::vector<Member> &members)
{
    if (members.size() > MaxMembers)
        throw std::invalid_argument("an archive holds at most 1001 members");
    std::string names;
    std::size_t total = 0;
    for (const Member &member : members) {
        if (member.name.empty() || member.name.find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument("a member name must be one line of text");
        if (member.data.size() > std::size_t(std::numeric_limits<std::int32_t>::max()))
            throw std::invalid_argument("member " + member.name + " is too large");
        if (!names.empty())
            names += "\r\n";
        names += member.name;
        total += member.data.size();
    }
    Bytes content;
    content.reserve(HeaderSize + names.size() + 4 * members.size() + total);
    appendU32(content, FormatMark);
    appendU32(content, std::uint32_t(names.size()));
    content.resize(HeaderSize, 0);
    content.insert(content.end(), names.begin(), names.end());
    for (const Member &member : members)
        appendU32(content, std::uint32_t(member.data.size()));
    for (const Member &member : members)
        content.insert(content.end(), member.data.begin(), member.data.end());
    if (content.size() > MaxUnpackedSize)
        throw std::invalid_argument("the members are larger than a skin may be");

    Bytes file;
    appendU32(file, std::uint32_t(content.size()));
    const Bytes packed = Lzhuf::Encode(content);
    file.insert(file.end(), packed.begin(), packed.end());
    return file;
}

bool TSkinReader::fail(Failure failure, std::string text)
{
    // Nothing half read stays findable.
    names_.clear();
    offsets_.clear();
    sizes_.clear();
    failure_ = failure;
    error_ = std::move(text);
    return false;
}

bool TSkinReader::Unpack(std::span<const std::uint8_t> raw)
{
    if (raw.size() < 4)
        return fail(Failure::Damaged, "it is too short to be a skin file");
    const std::uint32_t size = readU32(raw, 0);
    if (size > SkinArchive::MaxUnpackedSize)
        return fail(Failure::Damaged,
                    "it announces " + std::to_string(size) + " bytes, more than the 64 MiB a skin may hold");
    std::optional<Bytes> content = Lzhuf::Decode(raw.subspan(4), size);
    if (!content)
        return fail(Failure::Damaged,
                    "its compressed data ends before the " + std::to_string(size) + " bytes it announces");
    return UnpackContent(std::move(*content));
}

bool TSkinReader::UnpackContent(Bytes content)
{
    *this = TSkinReader();
    content_ = std::move(content);
    const std::span<const std::uint8_t> bytes(content_);
    if (bytes.size() < SkinArchive::HeaderSize)
        return fail(Failure::Damaged, "its content is too short for the header");
    mark_ = readU32(bytes, 0);
    nameListLength_ = std::int32_t(readU32(bytes, 4));
    if (mark_ != SkinArchive::FormatMark)
        return fail(Failure::OlderFormat, SkinArchive::OlderSkinText);
    const std::size_t rest = bytes.size() - SkinArchive::HeaderSize;
    if (nameListLength_ < 0 || std::size_t(nameListLength_) > rest)
        return fail(Failure::Damaged,
                    "its name list length " + std::to_string(nameListLength_) + " does not fit the "
                        + std::to_string(rest) + " bytes after the header");
    const std::size_t listEnd = SkinArchive::HeaderSize + std::size_t(nameListLength_);
    const auto list = bytes.subspan(SkinArchive::HeaderSize, std::size_t(nameListLength_));
    names_ = splitLines(LowerAscii(std::string_view(reinterpret_cast<const char *>(list.data()), list.size())),
                        SkinArchive::MaxMembers);
    if (names_.size() > SkinArchive::MaxMembers)
        return fail(Failure::Damaged, "it lists more than the 1001 members a skin may hold");
    if (4 * names_.size() > bytes.size() - listEnd)
        return fail(Failure::Damaged, "its member sizes run past the end of its content");
    dataStart_ = listEnd + 4 * names_.size();
    const std::size_t dataSize = bytes.size() - dataStart_;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const auto size = std::int32_t(readU32(bytes, listEnd + 4 * i));
        if (size < 0)
            return fail(Failure::Damaged,
                        "member " + std::to_string(i + 1) + " has the negative size " + std::to_string(size));
        if (std::size_t(size) > dataSize - offset)
            return fail(Failure::Damaged, "member " + std::to_string(i + 1) + " runs past the end of the data");
        offsets_.push_back(offset);
        sizes_.push_back(std::size_t(size));
        offset += std::size_t(size);
    }
    return true;
}

std::span<const std::uint8_t> TSkinReader::Data(std::size_t index) const
{
    if (index >= sizes_.size())
        return {};
    return std::span<const std::uint8_t>(content_).subspan(dataStart_ + offsets_[index], sizes_[index]);
}

std::span<const std::uint8_t> TSkinReader::FindExact(std::string_view name) const
{
    const auto it = std::ranges::find(names_, LowerAscii(name));
    return it == names_.end() ? std::span<const std::uint8_t>() : Data(std::size_t(it - names_.begin()));
}

TSkinReader::Found TSkinReader::FindPart(std::string_view part) const
{
    const auto it = std::ranges::find_if(names_, [part](const std::string &n) { return n.find(part) != n.npos; });
    if (it == names_.end())
        return {};
    return {*it, Data(std::size_t(it - names_.begin()))};
}
