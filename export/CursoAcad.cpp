// CURSOACAD: the academic year and its dates, from the values that stand
// directly in one of the first two groups of the data block; blank dates are
// taken from the first school-days record instead.
#include <stdexcept>
#include <string>

#include "exchange/FormatoIntercambio.h"
#include "export/Exportacion.h"

namespace transzorvos {

std::size_t ExportarCursoAcad(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "CURSOACAD");
  TablaDBF tabla(carpeta, "CURSOACAD.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("CURSOANNO", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("F_INICIO", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("F_FIN", TipoCampo::Texto, 10);
  tabla.CreateTable();

  const ListaNodosXML grupos = DocXML.SeleccionarNodos(kRutaGrupos);
  tabla.Open();

  // Each qualifying group begins a row; the row of group 0 is stored when
  // group 1 begins its own, so only the last row is still pending below.
  std::string anno, inicio, fin;
  std::size_t filas = 0;
  for (std::size_t posicion = 0; posicion < 2; ++posicion) {
    const PNodoXML grupo = grupos.Elemento(posicion);
    if (!grupo) continue;
    const ListaNodosXML valores = ValoresDe(*grupo);
    if (valores.Longitud() < 2) continue;
    anno = Valor(valores, 0);
    inicio = Valor(valores, 1);
    fin = Valor(valores, 2);
    tabla.Append();
    ++filas;
    tabla.FieldByName("CURSOANNO").SetAsString(anno);
    tabla.FieldByName("F_INICIO").SetAsString(inicio);
    tabla.FieldByName("F_FIN").SetAsString(fin);
  }

  if (inicio.empty() || fin.empty()) {
    const ListaNodosXML jornadas = DocXML.SeleccionarNodos(RutaRegistros("JORNADAS_ESCOLARES"));
    if (const PNodoXML primera = jornadas.Elemento(0)) {
      const ListaNodosXML valores = ValoresDe(*primera);
      if (valores.Longitud() >= 2) {
        inicio = Valor(valores, 2);
        fin = Valor(valores, 3);
      }
    }
  }

  if (filas == 0) {
    // The table stays created and empty, as the host expects after a failed
    // export; the run ends here.
    throw std::runtime_error(
        "El documento de intercambio no contiene el curso académico: ninguno de los dos "
        "primeros grupos de BLOQUE_DATOS tiene al menos dos valores");
  }
  tabla.FieldByName("F_INICIO").SetAsString(inicio);
  tabla.FieldByName("F_FIN").SetAsString(fin);
  tabla.Post();
  tabla.Close();
  return filas;
}

}  // namespace transzorvos
