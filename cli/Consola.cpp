#include "cli/Consola.h"

#include <algorithm>
#include <iostream>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <streambuf>

#include "tables/ArchivoTabla.h"
#endif

namespace transzorvos::cli {

std::filesystem::path RutaDeUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8DeRuta(const std::filesystem::path& ruta) {
  const std::u8string u8 = ruta.u8string();
  return std::string(u8.begin(), u8.end());
}

std::size_t Utf8Completo(std::string_view bytes) {
  // The last byte that is not a continuation byte, among the last four: a
  // sequence is at most four bytes long.
  const std::size_t n = bytes.size();
  for (std::size_t atras = 1; atras <= std::min<std::size_t>(n, 4); ++atras) {
    const auto b = static_cast<unsigned char>(bytes[n - atras]);
    if ((b & 0xC0) == 0x80) continue;
    std::size_t largo = 1;
    if ((b & 0xE0) == 0xC0)
      largo = 2;
    else if ((b & 0xF0) == 0xE0)
      largo = 3;
    else if ((b & 0xF8) == 0xF0)
      largo = 4;
    return atras < largo ? n - atras : n;
  }
  return n;
}

#ifdef _WIN32

namespace {

// A console's text goes in as characters: WriteConsoleW ignores the console's
// code page, which the UTF-8 bytes would be read in.
class BufferConsola final : public std::streambuf {
 public:
  explicit BufferConsola(HANDLE consola) : consola_(consola) { setp(bloque_, bloque_ + kTamano); }
  ~BufferConsola() override {
    Vaciar();
    // What is left can never be completed: written as it is (U+FFFD).
    Escribir(std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
  }

 protected:
  int_type overflow(int_type c) override {
    if (Vaciar() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Vaciar(); }

 private:
  // Writes the buffered text but a character cut at the end, which moves to
  // the front of the buffer.
  int Vaciar() {
    const std::string_view pendiente(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    const std::size_t listo = Utf8Completo(pendiente);
    const bool bien = Escribir(pendiente.substr(0, listo));
    const std::size_t resto = pendiente.size() - listo;
    std::memmove(bloque_, pendiente.data() + listo, resto);
    setp(bloque_, bloque_ + kTamano);
    pbump(static_cast<int>(resto));
    return bien ? 0 : -1;
  }

  bool Escribir(std::string_view utf8) {
    if (utf8.empty()) return true;
    const std::wstring texto = Utf16DeUtf8(utf8);
    for (std::size_t hecho = 0; hecho < texto.size();) {
      DWORD escritos = 0;
      const DWORD pedir = static_cast<DWORD>(std::min<std::size_t>(texto.size() - hecho, 8192));
      if (!WriteConsoleW(consola_, texto.data() + hecho, pedir, &escritos, nullptr) ||
          escritos == 0)
        return false;
      hecho += escritos;
    }
    return true;
  }

  static constexpr std::size_t kTamano = 4096;
  HANDLE consola_;
  char bloque_[kTamano];
};

bool EsConsola(HANDLE h) {
  DWORD modo;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &modo);
}

// A stream on a console handle; what it holds is written when it goes, at
// the program's end.
class FlujoConsola {
 public:
  FlujoConsola(HANDLE consola, bool inmediato) : buffer_(consola), flujo_(&buffer_) {
    if (inmediato) flujo_.setf(std::ios::unitbuf);
  }
  std::ostream& Flujo() { return flujo_; }

 private:
  BufferConsola buffer_;
  std::ostream flujo_;
};

}  // namespace

// Each stream is decided once: a console gets the UTF-16 stream, a file or a
// pipe the C++ stream, which writes the UTF-8 bytes in text mode.
std::ostream& Salida() {
  static const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  static const bool consola = EsConsola(h);
  if (!consola) return std::cout;
  static FlujoConsola flujo(h, false);
  return flujo.Flujo();
}

std::ostream& Errores() {
  static const HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  static const bool consola = EsConsola(h);
  if (!consola) return std::cerr;
  static FlujoConsola flujo(h, true);
  return flujo.Flujo();
}

#else

std::ostream& Salida() {
  return std::cout;
}

std::ostream& Errores() {
  return std::cerr;
}

#endif

}  // namespace transzorvos::cli
