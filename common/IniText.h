#pragma once
// An ini text held in memory, free of any toolkit: the settings file and the skin
// definition are read with it. A line "[name]" opens a section; "key=value" in a
// section defines a key, the value being the text after the first "=" with blanks
// around it removed; lines that begin with "#" are comments, and every other line
// defines nothing. Section and key names match without regard to letter case, and the
// first occurrence of a key in a section counts (a section written twice is one).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniText {
public:
    explicit IniText(std::string_view text);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Each section once, as first written, in the order of the text.
    const std::vector<std::string> &Sections() const { return sections_; }

private:
    // Names are looked up in small letters, so that reading stays linear in the text's
    // length however many sections and keys it has.
    std::vector<std::string> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;         // index into sections_
    std::vector<std::unordered_map<std::string, std::string>> values_;  // per section, by key
};

// Whether two names are equal without regard to the case of the letters A to Z.
bool SameName(std::string_view a, std::string_view b);

// A whole number as the settings are written: decimal with an optional sign, or
// hexadecimal after 0x or $, within 32 bits; nullopt for anything else.
std::optional<std::int64_t> ParseIniInteger(std::string_view text);
