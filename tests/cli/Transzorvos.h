// Runs the built transzorvos tool as a user would, for the command-line tests.
#pragma once

#include <filesystem>
#include <string>

#include "comun/Utilidades.h"

namespace transzorvos::prueba {

struct Salida {
  int estado;
  std::string out, err;  // with LF line ends
};

// Runs `entorno transzorvos argumentos` (arguments already quoted with Citar)
// from the folder `dir`; `entorno` is for sh only.
inline Salida EjecutarTranszorvos(const std::filesystem::path& dir, const std::string& argumentos,
                                  const std::string& entorno = "") {
  Salida s;
  const std::filesystem::path err = dir / "stderr.txt";
  s.estado = Ejecutar(OrdenEnCarpeta(dir, TZO_TRANSZORVOS, argumentos, err, entorno), &s.out);
  s.out = FinesDeLineaLF(s.out);
  s.err = FinesDeLineaLF(LeerFichero(err));
  std::filesystem::remove(err);
  return s;
}

}  // namespace transzorvos::prueba
