// Helpers of the export tests: exchange documents written from a compact
// description, and tables read back as text.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "comun/Utilidades.h"
#include "exchange/DocumentoXML.h"

namespace transzorvos::prueba {

using Valores = std::vector<std::string>;

// A group of the data block: its own values, then its records. Texts UTF-8.
struct GrupoPrueba {
  std::string seq;
  Valores propios;
  std::vector<Valores> registros;
};

// The group "MATERIAS" etc. with records only.
GrupoPrueba Grupo(std::string seq, std::vector<Valores> registros);

// A UTF-8 exchange document SERVICIO/BLOQUE_DATOS holding `grupos`.
std::string DocumentoIntercambio(const std::vector<GrupoPrueba>& grupos);

// The academic-year group every export needs first.
GrupoPrueba GrupoCurso();

// Every row of a table, every field read as text and converted to UTF-8.
using Fila = std::vector<std::string>;
std::vector<Fila> Filas(const std::filesystem::path& carpeta, std::string_view tabla);
// One field of every row, as UTF-8.
std::vector<std::string> Columna(const std::filesystem::path& carpeta, std::string_view tabla,
                                 std::string_view campo);
// "NOMBRE C 40 0" per field, in file order.
std::vector<std::string> Estructura(const std::filesystem::path& carpeta, std::string_view tabla);

// The rows of a table as python3-dbf reads them: one line per row, values
// joined by '|', None as "<nada>".
std::string FilasPython(const std::filesystem::path& fichero);

// A temporary working folder and the document under test.
class PruebaExportacion : public ::testing::Test {
 protected:
  PruebaExportacion();
  // Writes the document to a file, loads it the way the export does.
  std::unique_ptr<DocumentoXML> Cargar(const std::vector<GrupoPrueba>& grupos);
  std::vector<Fila> Filas(std::string_view tabla) const { return prueba::Filas(qtemp, tabla); }
  std::vector<std::string> Columna(std::string_view tabla, std::string_view campo) const {
    return prueba::Columna(qtemp, tabla, campo);
  }

  CarpetaTemporal temporal;
  std::filesystem::path qtemp;
};

}  // namespace transzorvos::prueba
