// The Windows-1252 code page: byte to Unicode and back.
#pragma once

#include <cstdint>
#include <optional>

namespace kestrum {

// The Unicode character of a Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every byte has a
// character and the mapping can be reversed without loss.
char32_t cp1252ToUnicode(unsigned char byte);

// The byte of a character under that mapping, or nothing for a character outside it.
std::optional<unsigned char> unicodeToCp1252(char32_t c);

} // namespace kestrum
