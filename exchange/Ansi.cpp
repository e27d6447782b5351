#include "exchange/Ansi.h"

#include <array>
#include <cstdint>

namespace transzorvos {

namespace {

// Code points of the bytes 0x80..0x9F. The five bytes Windows-1252 leaves
// undefined stand for the C1 control of the same value. Every other byte is
// its own code point (ASCII and Latin-1).
constexpr std::array<char32_t, 32> kAlto = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t CodigoDeByte(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) ? kAlto[b - 0x80] : char32_t{b};
}

// The Windows-1252 byte of a code point, or '?' when it has none.
char ByteDeCodigo(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kAlto.size(); ++i) {
    if (kAlto[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

void AnadirUtf8(std::string& salida, char32_t c) {
  if (c < 0x80) {
    salida += static_cast<char>(c);
  } else if (c < 0x800) {
    salida += static_cast<char>(0xC0 | (c >> 6));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    salida += static_cast<char>(0xE0 | (c >> 12));
    salida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    salida += static_cast<char>(0xF0 | (c >> 18));
    salida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    salida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8AAnsi(std::string_view utf8) {
  std::string salida;
  salida.reserve(utf8.size());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      salida += static_cast<char>(b);
      ++i;
      continue;
    }
    // Length and allowed range of the second byte, which rules out overlong
    // forms, surrogates and code points above U+10FFFF.
    std::size_t largo = 0;
    unsigned char min2 = 0x80, max2 = 0xBF;
    char32_t codigo = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      largo = 2;
      codigo = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      largo = 3;
      codigo = b & 0x0F;
      if (b == 0xE0) min2 = 0xA0;
      if (b == 0xED) max2 = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      largo = 4;
      codigo = b & 0x07;
      if (b == 0xF0) min2 = 0x90;
      if (b == 0xF4) max2 = 0x8F;
    } else {
      // A stray continuation byte or a byte no UTF-8 text holds.
      salida += '?';
      ++i;
      continue;
    }
    // Consume the longest valid prefix; a broken sequence is one '?' and
    // reading resumes at the byte that broke it.
    std::size_t j = 1;
    for (; j < largo && i + j < n; ++j) {
      const auto c = static_cast<unsigned char>(utf8[i + j]);
      const unsigned char lo = (j == 1) ? min2 : 0x80;
      const unsigned char hi = (j == 1) ? max2 : 0xBF;
      if (c < lo || c > hi) break;
      codigo = (codigo << 6) | (c & 0x3F);
    }
    salida += (j == largo) ? ByteDeCodigo(codigo) : '?';
    i += j;
  }
  return salida;
}

std::string AnsiAUtf8(std::string_view ansi) {
  std::string salida;
  salida.reserve(ansi.size() + ansi.size() / 2);
  for (char c : ansi) AnadirUtf8(salida, CodigoDeByte(static_cast<unsigned char>(c)));
  return salida;
}

std::string_view RecortarControles(std::string_view texto) {
  auto esControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t inicio = 0, fin = texto.size();
  while (inicio < fin && esControl(texto[inicio])) ++inicio;
  while (fin > inicio && esControl(texto[fin - 1])) --fin;
  return texto.substr(inicio, fin - inicio);
}

}  // namespace transzorvos
