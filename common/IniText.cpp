#include "IniText.h"

#include <algorithm>

namespace {
bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), lower);
    return result;
}
}  // namespace

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

IniText::IniText(std::string_view text)
{
    std::optional<std::size_t> section;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#')
            continue;
        if (const std::size_t close = line.find(']'); line.front() == '[' && close != std::string_view::npos) {
            const std::string_view name = trimmed(line.substr(1, close - 1));
            const auto [known, added] = sectionIndex_.try_emplace(lowered(name), sections_.size());
            section = known->second;
            if (added) {
                sections_.emplace_back(name);
                values_.emplace_back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section && eq != std::string_view::npos)
            values_[*section].try_emplace(lowered(trimmed(line.substr(0, eq))), trimmed(line.substr(eq + 1)));
    }
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const
{
    const auto known = sectionIndex_.find(lowered(section));
    if (known == sectionIndex_.end())
        return std::nullopt;
    const auto &values = values_[known->second];
    const auto value = values.find(lowered(key));
    if (value == values.end())
        return std::nullopt;
    return value->second;
}

std::optional<std::int64_t> ParseIniInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && lower(text[1]) == 'x') {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        const char l = lower(c);
        int d = -1;
        if (l >= '0' && l <= '9')
            d = l - '0';
        else if (base == 16 && l >= 'a' && l <= 'f')
            d = l - 'a' + 10;
        if (d < 0)
            return std::nullopt;
        value = value * base + d;
    }
    // Decimal numbers must fit a signed 32-bit value; hexadecimal ones may use all 32 bits.
    const std::int64_t limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 2147483648LL : 2147483647LL);
    if (value > limit)
        return std::nullopt;
    return negative ? -value : value;
}
