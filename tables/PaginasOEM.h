// The DOS (OEM) code pages a host table may be written in, and their
// table-driven conversion to and from the Windows-1252 bytes the system holds.
#pragma once

#include <string>
#include <string_view>

namespace transzorvos {

enum class PaginaCodigos {
  Ansi,    // Windows-1252: the system's own text, no conversion
  Oem437,  // DOS United States
  Oem850,  // DOS Multilingual Latin 1
};

// The code page of a dBase language-driver byte (header offset 29). Unknown
// and ANSI drivers, and 0, are Windows-1252.
PaginaCodigos PaginaDeLenguaje(unsigned char codigo);

// The code page a language-driver name names (dBase 7 headers carry one,
// e.g. "DB850ES0" or "DBWINUS0"); Windows-1252 when it names no OEM page.
PaginaCodigos PaginaDeNombreLenguaje(std::string_view nombre);

// OEM text to Windows-1252; a character Windows-1252 lacks becomes '?'.
std::string OemAAnsi(std::string_view texto, PaginaCodigos pagina);
// Windows-1252 text to the OEM page; a character the page lacks becomes '?'.
std::string AnsiAOem(std::string_view texto, PaginaCodigos pagina);

}  // namespace transzorvos
