// The teacher timetable records: one group per PROFT row under the regular
// timetables group, each holding the teacher's identifiers and one group per
// lesson the host's SOLUC gives that teacher, with the host's short codes
// translated back through DIASHORAST, AULAT, GRUPOST and ASIGNOMT.
#pragma once

#include <cstddef>
#include <string>

#include "exchange/DocumentoXML.h"
#include "import/Importacion.h"
#include "tables/TablasFormulario.h"

namespace transzorvos {

// Needs the six tables of `tablas` open. Appends the teacher groups to
// `horarios` (an element of `DocXML`); `fInicio` and `fFin` are the academic
// year's dates (Windows-1252) written into every activity. Returns the number
// of teacher groups written; adds the activity groups written to
// `resumen.actividades` and every distinct non-blank code that found no row to
// `resumen.sinPareja`. Table failures propagate as std::runtime_error.
std::size_t EscribirHorariosProfesores(TablasFormulario& tablas, DocumentoXML& DocXML,
                                       NodoXML& horarios, const std::string& fInicio,
                                       const std::string& fFin, ResultadoImportacion& resumen);

}  // namespace transzorvos
