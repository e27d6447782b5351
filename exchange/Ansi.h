// Conversion between the exchange documents' Unicode text (UTF-8 in this
// program) and the 8-bit Windows-1252 text that the working tables hold.
// Every XML backend hands out UTF-8; this table-driven code is the one place
// that maps it to table bytes, so Windows and Linux store the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace transzorvos {

// UTF-8 to Windows-1252. A character that Windows-1252 lacks, and every
// malformed UTF-8 sequence, becomes '?'. Never throws.
std::string Utf8AAnsi(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value,
// as Windows itself does, so every byte round-trips.
std::string AnsiAUtf8(std::string_view ansi);

// Appends the UTF-8 bytes of the code point `c` (up to U+10FFFF).
void AnadirUtf8(std::string& salida, char32_t c);

// The text without every leading and trailing character of code 32 or less.
// Works on UTF-8 and on Windows-1252 alike: no byte of a multibyte UTF-8
// sequence is 32 or less.
std::string_view RecortarControles(std::string_view texto);

}  // namespace transzorvos
