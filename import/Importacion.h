// The import: the host's timetable solution SOLUC, with the tables the export
// wrote, becomes a result exchange document built on the base document.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/DocumentoXML.h"
#include "tables/TablasFormulario.h"

namespace transzorvos {

// A code of SOLUC that found no row in the table it was looked up in (the
// result then holds the fall-back value). Texts are Windows-1252.
struct CodigoSinPareja {
  std::string tabla;   // "DIASHORAST", "AULAT", "GRUPOST", "ASIGNOMT"
  std::string codigo;  // the key looked up
  bool operator==(const CodigoSinPareja&) const = default;
};

struct ResultadoImportacion {
  bool faltaCursoAcad = false;  // CURSOACAD.DBF missing: nothing was done
  std::filesystem::path fichero;  // the result document saved
  std::size_t profesores = 0;     // teacher groups written
  std::size_t actividades = 0;    // activity groups written, all teachers
  std::vector<CodigoSinPareja> sinPareja;  // distinct, in order of first miss
};

// folder of FicheroXML + "ResultadoZorvos" + file name of FicheroXML.
std::filesystem::path RutaResultado(const std::filesystem::path& FicheroXML);

// Runs the import. `FicheroXML` lends its folder and name only; `base` is the
// base document. Throws std::runtime_error (Spanish, naming the file or
// table) on every failure; then no result is written and the six tables are
// closed.
ResultadoImportacion Importar(const std::filesystem::path& FicheroXML,
                              const std::filesystem::path& base,
                              const std::filesystem::path& carpeta, TablasFormulario& tablas);

}  // namespace transzorvos
