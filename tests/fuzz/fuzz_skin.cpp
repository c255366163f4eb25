// Skin files from any bytes: the archive reader and, on what it unpacks, the definition
// loader with its bitmaps. The same bytes are also read as an unpacked archive content
// and as a definition text, so that the fuzzer reaches those without passing LZHUF.
#include "SkinArchive.h"
#include "SkinDefinition.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace {
const TSystemColours System{};

void readDefinition(const TSkinReader &reader)
{
    const TSkinReader::Found ini = reader.FindPart(".ini");
    if (ini.name.empty() || ini.data.size() > SkinLimits::MaxDefinitionSize)
        return;
    TSkinReport report;
    ReadSkinDefinition(std::string_view(reinterpret_cast<const char *>(ini.data.data()), ini.data.size()), reader,
                       System, &report);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    TSkinReader archive;
    if (archive.Unpack(bytes))
        readDefinition(archive);
    TSkinReader content;
    if (content.UnpackContent(SkinArchive::Bytes(bytes.begin(), bytes.end())))
        readDefinition(content);
    if (size <= SkinLimits::MaxDefinitionSize) {
        TSkinReport report;
        ReadSkinDefinition(std::string_view(reinterpret_cast<const char *>(data), size), content, System, &report);
    }
    return 0;
}
