#include "comun/NombresDePrueba.h"

#include <cstdio>

namespace transzorvos::prueba {
namespace {

// The code point of the UTF-8 sequence at `texto[i]` and its length; length
// 0 when the bytes there are no valid sequence.
std::size_t Secuencia(std::string_view texto, std::size_t i, char32_t* codigo) {
  const auto b = static_cast<unsigned char>(texto[i]);
  std::size_t largo = 0;
  if (b < 0x80)
    largo = 1;
  else if (b >= 0xC2 && b < 0xE0)
    largo = 2;
  else if (b >= 0xE0 && b < 0xF0)
    largo = 3;
  else if (b >= 0xF0 && b < 0xF5)
    largo = 4;
  if (largo == 0 || i + largo > texto.size()) return 0;
  char32_t c = largo == 1 ? b : b & (0x7F >> largo);
  for (std::size_t k = 1; k < largo; ++k) {
    const auto s = static_cast<unsigned char>(texto[i + k]);
    if ((s & 0xC0) != 0x80) return 0;
    c = (c << 6) | (s & 0x3F);
  }
  static constexpr char32_t kMinimo[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMinimo[largo] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
  *codigo = c;
  return largo;
}

// The ASCII letters for a Latin letter with marks; "" for anything else.
std::string_view SinMarcas(char32_t c) {
  // U+00C0 to U+00FF.
  static constexpr std::string_view kLatin1[] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
      "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
      "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};
  if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0];
  switch (c) {
    case 0x152:
      return "OE";
    case 0x153:
      return "oe";
    case 0x160:
      return "S";
    case 0x161:
      return "s";
    case 0x178:
      return "Y";
    case 0x17D:
      return "Z";
    case 0x17E:
      return "z";
    default:
      return "";
  }
}

bool EsAlfanumericoAscii(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string NombreDePrueba(std::string_view texto, std::size_t maximo) {
  std::string nombre;
  bool separar = false;  // a run of other characters is pending
  const auto anadir = [&](std::string_view letras) {
    if (separar && !nombre.empty()) nombre += '_';
    separar = false;
    nombre += letras;
  };
  for (std::size_t i = 0; i < texto.size();) {
    char32_t c = 0;
    const std::size_t largo = Secuencia(texto, i, &c);
    if (largo == 1 && EsAlfanumericoAscii(texto[i])) {
      anadir(texto.substr(i, 1));
    } else if (largo > 1 && !SinMarcas(c).empty()) {
      anadir(SinMarcas(c));
    } else {
      separar = true;
    }
    i += largo == 0 ? 1 : largo;
  }
  if (nombre.size() > maximo) nombre.resize(maximo);
  while (!nombre.empty() && nombre.back() == '_') nombre.pop_back();
  return nombre.empty() ? "vacio" : nombre;
}

std::string NombreDePrueba(std::initializer_list<std::string_view> partes, std::size_t maximo) {
  std::string nombre;
  for (std::string_view parte : partes) {
    if (!nombre.empty()) nombre += '_';
    nombre += NombreDePrueba(parte, maximo);
  }
  return NombreDePrueba(nombre, maximo);
}

std::string TextoVisible(std::string_view texto, std::size_t maximo) {
  std::string visible = "\"";
  for (std::size_t i = 0; i < texto.size();) {
    if (i >= maximo) {
      visible += "...";
      break;
    }
    char32_t c = 0;
    const std::size_t largo = Secuencia(texto, i, &c);
    const char b = texto[i];
    if (largo > 1 && c > 0xA0) {  // the no-break space is escaped, as it looks like a blank
      visible += texto.substr(i, largo);
    } else if (b == '\n') {
      visible += "\\n";
    } else if (b == '\r') {
      visible += "\\r";
    } else if (b == '\t') {
      visible += "\\t";
    } else if (b == '"' || b == '\\') {
      visible += '\\';
      visible += b;
    } else if (largo == 1 && c >= 0x20 && c < 0x7F) {
      visible += b;
    } else {
      // Control characters, C1 controls and stray bytes, one escape per byte.
      const std::size_t bytes = largo == 0 ? 1 : largo;
      for (std::size_t k = 0; k < bytes; ++k) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(texto[i + k]));
        visible += escape;
      }
      i += bytes;
      continue;
    }
    i += largo == 0 ? 1 : largo;
  }
  return visible + "\"";
}

}  // namespace transzorvos::prueba
