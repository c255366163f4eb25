#include "Convert.h"

std::uint8_t ConvertA21(char letter)
{
    const auto code = static_cast<unsigned char>(letter);
    return (code >= 'a' && code <= 'z') ? static_cast<std::uint8_t>(code - 96) : 0;
}

char Convert12A(std::uint8_t position)
{
    return (position >= 1 && position <= 26) ? static_cast<char>(position + 96) : ' ';
}
