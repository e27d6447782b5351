// GRUPOST: one row per teaching unit of UNIDADES. A base code is cut from the
// unit's name at fixed character positions; level, course and group come from
// the base code, the stored ABREV from its unique form.
#include <string>

#include "exchange/FormatoIntercambio.h"
#include "export/CodigoUnico.h"
#include "export/Exportacion.h"

namespace transzorvos {
namespace {

// Characters 1, 4, 5 and the last of a name of five characters or more;
// a shorter name is its own base code.
std::string BaseGrupo(const std::string& nombre) {
  if (nombre.size() < 5) return nombre;
  return nombre.substr(0, 1) + nombre.substr(3, 2) + nombre.back();
}

}  // namespace

std::size_t ExportarGrupos(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "GRUPOST");
  TablaDBF tabla(carpeta, "GRUPOST.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("TURNO", TipoCampo::Texto, 1);
  tabla.FieldDefs.Add("NIVEL", TipoCampo::Texto, 5);
  tabla.FieldDefs.Add("CURSO", TipoCampo::Texto, 3);
  tabla.FieldDefs.Add("GRUPO", TipoCampo::Texto, 2);
  tabla.FieldDefs.Add("UNIDAD", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("OFERMATR", TipoCampo::Texto, 10);
  tabla.CreateTable();

  ListaCodigos codigos("GRUPOST");
  const ListaNodosXML unidades = DocXML.SeleccionarNodos(RutaRegistros("UNIDADES"));
  tabla.Open();

  std::size_t filas = 0;
  for (std::size_t i = 0; i < unidades.Longitud(); ++i) {
    const ListaNodosXML valores = ValoresDe(*unidades.Elemento(i));
    if (valores.Longitud() < 2) continue;
    const std::string unidad = Valor(valores, 0);
    const std::string nombre = Valor(valores, 1);
    const std::string oferta = Valor(valores, 2);

    const std::string base = BaseGrupo(nombre);
    std::string nivel = base.size() > 1 ? base.substr(1, 2) : std::string();
    if (nivel.empty()) nivel = "NIV";
    const std::string curso = base.substr(0, 1);
    const std::string grupo = base.empty() ? std::string() : base.substr(base.size() - 1);
    const std::string abrev = codigos.Asignar(base);

    tabla.Append();
    tabla.FieldByName("ABREV").SetAsString(abrev);
    tabla.FieldByName("TURNO").SetAsString("");
    tabla.FieldByName("NIVEL").SetAsString(nivel);
    tabla.FieldByName("CURSO").SetAsString(curso);
    tabla.FieldByName("GRUPO").SetAsString(grupo);
    tabla.FieldByName("UNIDAD").SetAsString(unidad);
    tabla.FieldByName("OFERMATR").SetAsString(oferta);
    tabla.Post();
    ++filas;
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
