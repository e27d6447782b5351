// The six table components the main window owns for its whole life: the
// assignments builder and the import open and close them, never create or
// destroy them. All ask for exclusive use.
#pragma once

#include <filesystem>

#include "tables/TablaDBF.h"

namespace transzorvos {

struct TablasFormulario {
  explicit TablasFormulario(const std::filesystem::path& carpeta)
      : wwTableSoluc(carpeta, "SOLUC", true),
        wwTableGrupos(carpeta, "GRUPOST", true),
        wwTableProfesor(carpeta, "PROFT", true),
        wwTableAulas(carpeta, "AULAT", true),
        wwTableNomAsg(carpeta, "ASIGNOMT", true),
        wwTableTramos(carpeta, "DIASHORAST", true) {}

  TablaDBF wwTableSoluc;
  TablaDBF wwTableGrupos;
  TablaDBF wwTableProfesor;
  TablaDBF wwTableAulas;
  TablaDBF wwTableNomAsg;
  TablaDBF wwTableTramos;
};

}  // namespace transzorvos
