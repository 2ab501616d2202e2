#pragma once
// Windows-1252 text to and from UTF-8, for the places where text leaves or
// enters the program through a toolkit (titles, message boxes, typed text).
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Every byte becomes its character; the five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
std::string Cp1252ToUtf8(const std::string& text);

// The Windows-1252 bytes of the characters of a UTF-8 text. Characters that
// Windows-1252 cannot hold, and malformed sequences, are dropped.
std::vector<uint8_t> Utf8ToCp1252(const std::string& text);
// The same bytes as a string, as message boxes and dialogs take them.
std::string Utf8ToCp1252Text(const std::string& text);

}  // namespace plat
