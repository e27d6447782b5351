// AULAT: one row per room of DEPENDENCIAS. The code is cut from the room's
// identifier and made unique; DEPCENTRO keeps the identifier itself, which is
// how the import finds the room again.
#include <string>

#include "exchange/FormatoIntercambio.h"
#include "export/CodigoUnico.h"
#include "export/Exportacion.h"

namespace transzorvos {

std::size_t ExportarAulas(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "AULAT");
  TablaDBF tabla(carpeta, "AULAT.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("NOMBRE", TipoCampo::Texto, 40);
  tabla.FieldDefs.Add("EDIFICIO", TipoCampo::Texto, 1);
  tabla.FieldDefs.Add("MAXALUM", TipoCampo::Entero);
  tabla.FieldDefs.Add("DEPCENTRO", TipoCampo::Texto, 10);
  tabla.CreateTable();

  ListaCodigos codigos("AULAT");
  const ListaNodosXML dependencias = DocXML.SeleccionarNodos(RutaRegistros("DEPENDENCIAS"));
  tabla.Open();

  std::size_t filas = 0;
  for (std::size_t i = 0; i < dependencias.Longitud(); ++i) {
    const ListaNodosXML valores = ValoresDe(*dependencias.Elemento(i));
    if (valores.Longitud() < 2) continue;
    const std::string identificador = Valor(valores, 0);
    const std::string nombre = Valor(valores, 1);
    const std::string abrev = codigos.Asignar(identificador.substr(0, 4));

    tabla.Append();
    tabla.FieldByName("ABREV").SetAsString(abrev);
    tabla.FieldByName("NOMBRE").SetAsString(nombre);
    tabla.FieldByName("DEPCENTRO").SetAsString(identificador);
    tabla.Post();
    ++filas;
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
