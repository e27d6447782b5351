// Small working-table fixtures for the import's tests: each table written
// with its exact layout through the table service, rows given as texts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace transzorvos::prueba {

using Filas = std::vector<std::vector<std::string>>;

// One row per entry; only the fields the import reads (the others of each
// layout are filled with plausible values). Texts are Windows-1252.
struct CentroPrueba {
  bool conCursoAcad = true;
  Filas cursoAcad = {{"2024", "01/09/2024", "30/06/2025"}};  // CURSOANNO, F_INICIO, F_FIN
  Filas profesores;                                          // ABREV, X_EMPLEADO, F_TOMAPOS
  Filas soluc;     // PROF, DIA, HORA, AULA, CODGRUPO, ASIG, TAREA
  Filas tramos;    // DIHO, CODDIHO, DIA, HORADESDE, HORAHASTA
  Filas aulas;     // ABREV, DEPCENTRO
  Filas grupos;    // ABREV, UNIDAD
  Filas materias;  // COD, CODLARGO, OFERTAMATR, ESTAREA ("T"/"F")
};

// Writes the seven tables (CURSOACAD only when asked) into `carpeta`.
void EscribirCentro(const std::filesystem::path& carpeta, const CentroPrueba& centro);

// Writes SOLUC with the host's seven fields: PROF C4, DIA N, HORA N, AULA C4,
// CODGRUPO C4, ASIG C4, TAREA C4.
void EscribirSoluc(const std::filesystem::path& carpeta, const Filas& filas);

// Runs tests/import/leer_resultado.py (Python's own XML parser) on `fichero`
// and returns its output; `modo` is one of its options. Fails the test (and
// returns "") when the script fails.
std::string LeerXML(const std::string& modo, const std::filesystem::path& fichero);

// Single-quoted for the shell.
std::string Comillas(const std::string& texto);

}  // namespace transzorvos::prueba
