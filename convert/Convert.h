#pragma once
// Position letters of the wire protocol: "a" to "z" stand for chain positions 1 to 26.
#include <cstdint>

#define KELMAR_CONVERT_API extern "C" __attribute__((visibility("default")))

// 'a'..'z' give 1..26, every other character gives 0.
KELMAR_CONVERT_API std::uint8_t ConvertA21(char letter);
// 1..26 give 'a'..'z', every other number gives a blank.
KELMAR_CONVERT_API char Convert12A(std::uint8_t position);
