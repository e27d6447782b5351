// DIASHORAST: every time slot of TRAMOS_HORARIOS on each of the seven days.
// DIHO, the day digit followed by the slot's 1-based position, is the key the
// import rebuilds from the host's day and hour numbers.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "exchange/Ansi.h"
#include "exchange/FormatoIntercambio.h"
#include "export/Exportacion.h"

namespace transzorvos {
namespace {

// A time text of fewer than four characters gets one "0" in front: 480 is
// 0480, 45 is 045, nothing is 0.
std::string ConCeroDelante(std::string texto) {
  if (texto.size() < 4) texto.insert(texto.begin(), '0');
  return texto;
}

// The whole text as a signed 32-bit decimal: an optional sign and digits,
// leading zeros allowed, nothing else.
std::int64_t Entero(const std::string& texto) {
  std::size_t i = 0;
  bool negativo = false;
  if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) {
    negativo = texto[i] == '-';
    ++i;
  }
  bool valido = i < texto.size();
  std::int64_t valor = 0;
  for (; valido && i < texto.size(); ++i) {
    const char c = texto[i];
    if (c < '0' || c > '9') {
      valido = false;
      break;
    }
    valor = valor * 10 + (c - '0');
    if (valor > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) valido = false;
  }
  if (negativo) valor = -valor;
  if (!valido || valor > std::numeric_limits<std::int32_t>::max() ||
      valor < std::numeric_limits<std::int32_t>::min()) {
    throw std::runtime_error("'" + AnsiAUtf8(texto) + "' no es un valor entero válido");
  }
  return valor;
}

}  // namespace

std::size_t ExportarTramos(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "DIASHORAST");
  TablaDBF tabla(carpeta, "DIASHORAST.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("DIHO", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("CODDIHO", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("DIA", TipoCampo::Texto, 20);
  tabla.FieldDefs.Add("TEXTODIA", TipoCampo::Texto, 20);
  tabla.FieldDefs.Add("HORA", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("TEXTOHOR", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("HORADESDE", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("HORAHASTA", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("MINUTOS", TipoCampo::Texto, 8);
  tabla.CreateTable();
  tabla.Open();

  std::size_t filas = 0;
  for (int dia = 1; dia <= 7; ++dia) {
    const ListaNodosXML tramos = DocXML.SeleccionarNodos(RutaRegistros("TRAMOS_HORARIOS"));
    for (std::size_t r = 0; r < tramos.Longitud(); ++r) {
      const ListaNodosXML valores = ValoresDe(*tramos.Elemento(r));
      const std::string codigo = Valor(valores, 0);
      const std::string etiqueta = Valor(valores, 1);
      const std::string desde = ConCeroDelante(Valor(valores, 2));
      const std::string hasta = ConCeroDelante(Valor(valores, 3));
      // Converted before the row begins, so a bad time leaves no half row.
      const std::int64_t minutos = Entero(hasta) - Entero(desde);

      std::string diho = std::to_string(dia);  // day, then slot: "13"
      diho += std::to_string(r + 1);
      tabla.Append();
      tabla.FieldByName("DIHO").SetAsString(diho);
      tabla.FieldByName("DIA").SetAsString(std::to_string(dia));
      tabla.FieldByName("HORA").SetAsString(etiqueta);
      tabla.FieldByName("TEXTOHOR").SetAsString(etiqueta);
      tabla.FieldByName("CODDIHO").SetAsString(codigo);
      tabla.FieldByName("HORADESDE").SetAsString(desde);
      tabla.FieldByName("HORAHASTA").SetAsString(hasta);
      tabla.FieldByName("MINUTOS").SetAsString(std::to_string(minutos));
      tabla.Post();
      ++filas;
    }
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
