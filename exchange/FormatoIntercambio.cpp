#include "exchange/FormatoIntercambio.h"

#include "exchange/Ansi.h"

namespace transzorvos {

namespace {

// `texto` between two `comilla`s. Built by appending: GCC 12 at -O3 warns
// falsely (-Wrestrict) on "literal" + std::string.
std::string Entre(char comilla, std::string_view texto) {
  std::string salida;
  salida.reserve(texto.size() + 2);
  salida += comilla;
  salida += texto;
  salida += comilla;
  return salida;
}

// An XPath 1.0 string literal of `texto`. XPath has no escapes: a text with
// both kinds of quote is written as a concat() of pieces.
std::string LiteralXPath(std::string_view texto) {
  if (texto.find('"') == std::string_view::npos) return Entre('"', texto);
  if (texto.find('\'') == std::string_view::npos) return Entre('\'', texto);
  std::string salida = "concat(";
  std::size_t inicio = 0;
  while (true) {
    const std::size_t comilla = texto.find('"', inicio);
    salida += Entre('"', texto.substr(inicio, comilla - inicio));
    if (comilla == std::string_view::npos) break;
    salida += ",'\"',";
    inicio = comilla + 1;
  }
  return salida + ")";
}

}  // namespace

std::string RutaRegistros(std::string_view seq) {
  return std::string(kRutaGrupos) + "[@seq=" + LiteralXPath(seq) + "]/grupo_datos";
}

ListaNodosXML ValoresDe(const NodoXML& registro) {
  return registro.SeleccionarNodos("dato");
}

std::string Valor(const ListaNodosXML& valores, std::size_t posicion) {
  const PNodoXML nodo = valores.Elemento(posicion);
  if (!nodo) return {};
  const std::string texto = nodo->Texto();
  return Utf8AAnsi(RecortarControles(texto));
}

}  // namespace transzorvos
