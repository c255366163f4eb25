// The settings reader on any bytes: every section and key it finds, and the numbers in
// their values.
#include "IniText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const IniText ini(std::string_view(reinterpret_cast<const char *>(data), size));
    for (const std::string &section : ini.Sections())
        for (const char *key : {"Splash", "Verbose", "Skin", "Background", "MemoActive", "FxMusic", ""})
            if (const auto value = ini.Value(section, key))
                ParseIniInteger(*value);
    ini.Value("Main", "Splash");
    return 0;
}
