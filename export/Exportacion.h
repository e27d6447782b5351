// The export: one loaded exchange document becomes the seven working tables.
// Each builder deletes its table (and a stale .MDX), creates it with its exact
// layout, fills it and closes it before the next starts; it returns the
// number of rows it wrote. An error ends the run at once: earlier tables stay
// rebuilt, the failing one keeps the rows it posted, later ones are untouched.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "exchange/DocumentoXML.h"
#include "tables/TablaDBF.h"
#include "tables/TablasFormulario.h"

namespace transzorvos {

// CURSOACAD: academic year and its dates.
std::size_t ExportarCursoAcad(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);
// ASIGNOMT: subjects with unique short codes, then activities.
std::size_t ExportarMaterias(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);
// PROFT: teachers with unique abbreviations.
std::size_t ExportarProfesores(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);
// AULAT: rooms with unique codes cut from their identifiers.
std::size_t ExportarAulas(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);
// GRUPOST: teaching units with unique group codes.
std::size_t ExportarGrupos(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);
// ASIGT: every group paired with the subjects of its offer, read back from
// GRUPOST and ASIGNOMT through the main window's components.
std::size_t ExportarAsignaciones(const std::filesystem::path& carpeta, TablaDBF& wwTableGrupos,
                                 TablaDBF& wwTableNomAsg);
// DIASHORAST: every time slot on each of the seven days.
std::size_t ExportarTramos(const DocumentoXML& DocXML, const std::filesystem::path& carpeta);

struct TablaExportada {
  std::string nombre;  // "CURSOACAD", "ASIGNOMT", ...
  std::size_t filas;
};

// Runs the seven builders in their fixed order. `alTerminar`, when given, is
// called after each table is complete.
void Exportar(const DocumentoXML& DocXML, const std::filesystem::path& carpeta,
              TablasFormulario& tablas,
              const std::function<void(const TablaExportada&)>& alTerminar = {});

// Loads the exchange file into a new document. Throws, before any table is
// touched, when it cannot be read or is not well-formed.
std::unique_ptr<DocumentoXML> CargarDocumento(const std::filesystem::path& FicheroXML);

}  // namespace transzorvos
