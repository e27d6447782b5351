// Runs the built transzorvos tool as a user would, for the command-line tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "comun/Utilidades.h"

namespace transzorvos::prueba {

// What `exportar` prints for the sample school, one line per table.
inline constexpr const char* kTablasCentro =
    "CURSOACAD.DBF: 1 fila\n"
    "ASIGNOMT.DBF: 67 filas\n"
    "PROFT.DBF: 40 filas\n"
    "AULAT.DBF: 30 filas\n"
    "GRUPOST.DBF: 20 filas\n"
    "ASIGT.DBF: 203 filas\n"
    "DIASHORAST.DBF: 49 filas\n";

struct Salida {
  int estado;
  std::string out, err;  // with LF line ends
};

// Runs `entorno transzorvos argumentos` (arguments already quoted with Citar)
// from the folder `dir`; `entorno` is for sh only.
inline Salida EjecutarTranszorvos(const std::filesystem::path& dir, const std::string& argumentos,
                                  const std::string& entorno = "") {
  // Standard error goes to a file of this run's own, outside `dir`: under
  // Wine a finished program's console host may hold the file a moment
  // longer, so a name used again (by the next run, or by a parallel test
  // run from the same folder) could not be opened.
  CarpetaTemporal salidas;
  const std::filesystem::path err = salidas / "stderr.txt";
  Salida s;
  s.estado = Ejecutar(OrdenEnCarpeta(dir, TZO_TRANSZORVOS, argumentos, err, entorno), &s.out);
  s.out = FinesDeLineaLF(s.out);
  s.err = FinesDeLineaLF(LeerFichero(err));
  return s;
}

// Runs transzorvos with `palabras` (UTF-8), each one argument, from the
// folder `dir`, without a shell: any character reaches it, on Windows too.
inline Salida EjecutarTranszorvosDirecto(const std::filesystem::path& dir,
                                         const std::vector<std::string>& palabras) {
  const Ejecucion e = EjecutarPrograma(TZO_TRANSZORVOS, palabras, dir);
  return Salida{e.estado, FinesDeLineaLF(e.out), FinesDeLineaLF(e.err)};
}

}  // namespace transzorvos::prueba
