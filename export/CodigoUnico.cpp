#include "export/CodigoUnico.h"

#include <stdexcept>
#include <string>

#include "exchange/Ansi.h"

namespace transzorvos {
namespace {

// The lower-case partner of a Windows-1252 letter; every other byte is itself.
unsigned char Minuscula(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:
      return 0x9A;  // Š
    case 0x8C:
      return 0x9C;  // Œ
    case 0x8E:
      return 0x9E;  // Ž
    case 0x9F:
      return 0xFF;  // Ÿ
    default:
      return c;
  }
}

// `texto` with every letter in lower case.
std::string Minusculas(std::string_view texto) {
  std::string plegado(texto);
  for (char& c : plegado) c = static_cast<char>(Minuscula(static_cast<unsigned char>(c)));
  return plegado;
}

// The key a code is compared by. Trailing blanks go first: the table pads
// every code with blanks, so 'T ' and 'T' are the same stored code.
std::string Plegar(std::string_view texto) {
  while (!texto.empty() && texto.back() == ' ') texto.remove_suffix(1);
  return Minusculas(texto);
}

int Cifras(int n) {
  int cifras = 1;
  while (n >= 10) {
    n /= 10;
    ++cifras;
  }
  return cifras;
}

constexpr std::size_t kAnchoCodigo = 4;
constexpr int kUltimoContador = 9999;

}  // namespace

bool IgualesSinMayusculas(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Minuscula(static_cast<unsigned char>(a[i])) != Minuscula(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool ListaCodigos::Contiene(std::string_view codigo) const {
  return plegados_.count(Plegar(codigo)) != 0;
}

std::string ListaCodigos::Asignar(std::string_view base) {
  base = base.substr(0, kAnchoCodigo);
  std::string codigo;
  if (!Contiene(base)) {
    codigo = std::string(base);
  } else {
    // Keyed by the base with its blanks: 'T ' and 'T' are taken by each
    // other, but their candidates differ ('T 1', 'T1').
    int& n = siguiente_.try_emplace(Minusculas(base), 1).first->second;
    for (; n <= kUltimoContador; ++n) {
      std::string candidato(base.substr(0, kAnchoCodigo - static_cast<std::size_t>(Cifras(n))));
      candidato += std::to_string(n);
      if (!Contiene(candidato)) {
        codigo = std::move(candidato);
        break;
      }
    }
    if (n > kUltimoContador) {
      throw std::runtime_error("No quedan códigos cortos libres en la tabla " + tabla_ +
                               " para el código base '" + AnsiAUtf8(base) +
                               "': están en uso todos los de cuatro caracteres que se "
                               "forman con él");
    }
  }
  plegados_.insert(Plegar(codigo));
  codigos_.push_back(codigo);
  return codigo;
}

}  // namespace transzorvos
