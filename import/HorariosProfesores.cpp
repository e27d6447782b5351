#include "import/HorariosProfesores.h"

#include <algorithm>
#include <string_view>

#include "exchange/Ansi.h"

namespace transzorvos {
namespace {

// A "dato" named `nombre` holding `ansi` (table text), appended last to
// `padre`. An empty value gets no text node at all.
void AnadirDato(DocumentoXML& DocXML, NodoXML& padre, std::string_view nombre,
                const std::string& ansi) {
  PNodoXML dato = DocXML.CrearElemento("dato");
  dato->PonerAtributo("nombre_dato", nombre);
  if (!ansi.empty()) dato->PonerTexto(AnsiAUtf8(ansi));
  padre.AnadirHijo(dato);
}

// Walks `tabla` from its first row to the first row whose `campo` text equals
// `clave` exactly; true when found, the table then standing on that row.
// Every lookup scans afresh: the host may have left duplicates, and the
// first one in stored order is the one that counts.
bool Buscar(TablaDBF& tabla, std::string_view campo, const std::string& clave) {
  tabla.First();
  while (!tabla.Eof()) {
    if (tabla.FieldByName(campo).AsString() == clave) return true;
    tabla.Next();
  }
  return false;
}

void AnotarSinPareja(ResultadoImportacion& resumen, std::string_view tabla,
                     const std::string& codigo) {
  if (RecortarControles(codigo).empty()) return;  // a blank code explains itself
  CodigoSinPareja falta{std::string(tabla), codigo};
  if (std::find(resumen.sinPareja.begin(), resumen.sinPareja.end(), falta) ==
      resumen.sinPareja.end())
    resumen.sinPareja.push_back(std::move(falta));
}

// "PROF= 'code'" with every quote inside the code doubled.
std::string FiltroProfesor(std::string_view codigo) {
  std::string filtro = "PROF= '";
  for (char c : codigo) {
    filtro += c;
    if (c == '\'') filtro += '\'';
  }
  filtro += '\'';
  return filtro;
}

// Writes the activity group of the current SOLUC row (a lesson: DIA != 0).
void EscribirActividad(TablasFormulario& t, DocumentoXML& DocXML, NodoXML& actividad,
                       const std::string& fInicio, const std::string& fFin,
                       ResultadoImportacion& resumen) {
  TablaDBF& soluc = t.wwTableSoluc;

  std::string dia, tramo, desde, hasta;
  const std::string clave =
      soluc.FieldByName("DIA").AsString() + std::to_string(soluc.FieldByName("HORA").AsInteger());
  if (Buscar(t.wwTableTramos, "DIHO", clave)) {
    dia = t.wwTableTramos.FieldByName("DIA").AsString();
    tramo = t.wwTableTramos.FieldByName("CODDIHO").AsString();
    desde = t.wwTableTramos.FieldByName("HORADESDE").AsString();
    hasta = t.wwTableTramos.FieldByName("HORAHASTA").AsString();
  } else {
    AnotarSinPareja(resumen, "DIASHORAST", clave);
  }
  AnadirDato(DocXML, actividad, "N_DIASEMANA", dia);
  AnadirDato(DocXML, actividad, "X_TRAMO", tramo);

  const std::string aula = soluc.FieldByName("AULA").AsString();
  std::string dependencia;
  if (Buscar(t.wwTableAulas, "ABREV", aula))
    dependencia = t.wwTableAulas.FieldByName("DEPCENTRO").AsString();
  else
    AnotarSinPareja(resumen, "AULAT", aula);
  if (RecortarControles(dependencia).empty()) dependencia = aula;
  AnadirDato(DocXML, actividad, "X_DEPENDENCIA", dependencia);

  const std::string grupo = soluc.FieldByName("CODGRUPO").AsString();
  std::string unidad;
  if (Buscar(t.wwTableGrupos, "ABREV", grupo))
    unidad = t.wwTableGrupos.FieldByName("UNIDAD").AsString();
  else
    AnotarSinPareja(resumen, "GRUPOST", grupo);
  AnadirDato(DocXML, actividad, "X_UNIDAD", unidad);

  std::string oferta, codLargo;
  const std::string asignatura = soluc.FieldByName("ASIG").AsString();
  if (Buscar(t.wwTableNomAsg, "COD", asignatura)) {
    oferta = t.wwTableNomAsg.FieldByName("OFERTAMATR").AsString();
    codLargo = t.wwTableNomAsg.FieldByName("CODLARGO").AsString();
  } else {
    AnotarSinPareja(resumen, "ASIGNOMT", asignatura);
  }
  AnadirDato(DocXML, actividad, "X_OFERTAMATRIG", oferta);
  AnadirDato(DocXML, actividad, "X_MATERIAOMG", codLargo);

  AnadirDato(DocXML, actividad, "F_INICIO", fInicio);
  AnadirDato(DocXML, actividad, "F_FIN", fFin);
  AnadirDato(DocXML, actividad, "N_HORINI", desde);
  AnadirDato(DocXML, actividad, "N_HORFIN", hasta);

  const std::string tarea = soluc.FieldByName("TAREA").AsString();
  AnadirDato(DocXML, actividad, "X_ACTIVIDAD", RecortarControles(tarea).empty() ? "1" : tarea);
}

}  // namespace

std::size_t EscribirHorariosProfesores(TablasFormulario& tablas, DocumentoXML& DocXML,
                                       NodoXML& horarios, const std::string& fInicio,
                                       const std::string& fFin, ResultadoImportacion& resumen) {
  TablaDBF& profesores = tablas.wwTableProfesor;
  TablaDBF& soluc = tablas.wwTableSoluc;

  std::size_t numProfesor = 1;
  profesores.First();
  while (!profesores.Eof()) {
    const std::string empleado = profesores.FieldByName("X_EMPLEADO").AsString();
    const std::string tomaPos = profesores.FieldByName("F_TOMAPOS").AsString();

    PNodoXML profesor = DocXML.CrearElemento("grupo_datos");
    profesor->PonerAtributo("seq", "HORARIO_REGULAR_PROFESOR_" + std::to_string(numProfesor));
    ++numProfesor;
    profesor->PonerAtributo("registros", "1");
    horarios.AnadirHijo(profesor);
    AnadirDato(DocXML, *profesor, "X_EMPLEADO", empleado);
    AnadirDato(DocXML, *profesor, "F_TOMAPOS", tomaPos);

    const std::string codigo = profesores.FieldByName("ABREV").AsString();
    soluc.First();
    std::size_t numActividad = 1;
    soluc.SetFiltered(false);
    soluc.SetFilter(FiltroProfesor(codigo));
    soluc.SetFiltered(true);

    while (!soluc.Eof()) {
      if (soluc.FieldByName("DIA").AsInteger() == 0) {  // not a scheduled lesson
        soluc.Next();
        continue;
      }
      PNodoXML actividad = DocXML.CrearElemento("grupo_datos");
      actividad->PonerAtributo("seq", "ACTIVIDAD_" + std::to_string(numActividad));
      ++numActividad;
      profesor->AnadirHijo(actividad);
      EscribirActividad(tablas, DocXML, *actividad, fInicio, fFin, resumen);
      soluc.Next();
    }

    profesor->PonerAtributo("registros", std::to_string(numActividad - 1));
    resumen.actividades += numActividad - 1;
    profesores.Next();
  }
  return numProfesor - 1;
}

}  // namespace transzorvos
