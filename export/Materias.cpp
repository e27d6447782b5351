// ASIGNOMT: one row per subject of MATERIAS, with a short code made from the
// initials of its name, then one row per activity of ACTIVIDADES, copied with
// the activity's own code.
#include <string>

#include "exchange/FormatoIntercambio.h"
#include "export/CodigoUnico.h"
#include "export/Exportacion.h"

namespace transzorvos {
namespace {

// The first character of the name and the one after its first blank. Only
// the blank separates words; the name is already trimmed.
std::string BaseMateria(const std::string& nombre) {
  std::string base = nombre.substr(0, 1);
  const std::size_t blanco = nombre.find(' ', 1);
  if (blanco != std::string::npos && blanco + 1 < nombre.size()) base += nombre[blanco + 1];
  return base;
}

}  // namespace

std::size_t ExportarMaterias(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "ASIGNOMT");
  TablaDBF tabla(carpeta, "ASIGNOMT.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("COD", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("CODLARGO", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("NOMBRE", TipoCampo::Texto, 40);
  tabla.FieldDefs.Add("OFERTAMATR", TipoCampo::Texto, 8);
  tabla.FieldDefs.Add("CODTAREA", TipoCampo::Texto, 12);
  tabla.FieldDefs.Add("ESTAREA", TipoCampo::Logico);
  tabla.CreateTable();

  ListaCodigos codigos("ASIGNOMT");
  const ListaNodosXML materias = DocXML.SeleccionarNodos(RutaRegistros("MATERIAS"));
  tabla.Open();

  std::size_t filas = 0;
  for (std::size_t i = 0; i < materias.Longitud(); ++i) {
    const ListaNodosXML valores = ValoresDe(*materias.Elemento(i));
    if (valores.Longitud() < 2) continue;
    const std::string oferta = Valor(valores, 0);
    const std::string materia = Valor(valores, 1);
    const std::string nombre = Valor(valores, 2);
    const std::string cod = codigos.Asignar(BaseMateria(nombre));
    tabla.Append();
    tabla.FieldByName("COD").SetAsString(cod);
    tabla.FieldByName("CODLARGO").SetAsString(materia);
    tabla.FieldByName("NOMBRE").SetAsString(nombre);
    tabla.FieldByName("OFERTAMATR").SetAsString(oferta);
    tabla.FieldByName("ESTAREA").SetAsBoolean(false);
    tabla.Post();
    ++filas;
  }

  // Activities bring their own codes: they neither enter nor consult the list.
  const ListaNodosXML actividades = DocXML.SeleccionarNodos(RutaRegistros("ACTIVIDADES"));
  for (std::size_t i = 0; i < actividades.Longitud(); ++i) {
    const ListaNodosXML valores = ValoresDe(*actividades.Elemento(i));
    if (valores.Longitud() < 2) continue;
    const std::string codigo = Valor(valores, 1);
    const std::string nombre = Valor(valores, 2);
    tabla.Append();
    tabla.FieldByName("COD").SetAsString(codigo);
    tabla.FieldByName("CODLARGO").SetAsString(codigo);
    tabla.FieldByName("NOMBRE").SetAsString(nombre);
    tabla.FieldByName("OFERTAMATR").SetAsString(codigo);
    tabla.FieldByName("ESTAREA").SetAsBoolean(true);
    tabla.Post();
    ++filas;
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
