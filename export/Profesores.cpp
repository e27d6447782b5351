// PROFT: one row per employee of EMPLEADOS, with an abbreviation made from
// the initials of the name parts.
#include <string>

#include "exchange/FormatoIntercambio.h"
#include "export/CodigoUnico.h"
#include "export/Exportacion.h"

namespace transzorvos {

std::size_t ExportarProfesores(const DocumentoXML& DocXML, const std::filesystem::path& carpeta) {
  BorrarTabla(carpeta, "PROFT");
  TablaDBF tabla(carpeta, "PROFT.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("NOMBRE", TipoCampo::Texto, 40);
  tabla.FieldDefs.Add("DEPART", TipoCampo::Texto, 40);
  tabla.FieldDefs.Add("DNI", TipoCampo::Entero);
  tabla.FieldDefs.Add("X_EMPLEADO", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("F_TOMAPOS", TipoCampo::Texto, 10);
  tabla.CreateTable();

  ListaCodigos abreviaturas("PROFT");
  const ListaNodosXML empleados = DocXML.SeleccionarNodos(RutaRegistros("EMPLEADOS"));
  tabla.Open();

  std::size_t filas = 0;
  for (std::size_t i = 0; i < empleados.Longitud(); ++i) {
    const ListaNodosXML valores = ValoresDe(*empleados.Elemento(i));
    if (valores.Longitud() < 2) continue;
    const std::string empleado = Valor(valores, 0);
    const std::string tomaPosesion = Valor(valores, 1);
    const std::string departamento = Valor(valores, 2);
    const std::string segunda = Valor(valores, 3);
    const std::string tercera = Valor(valores, 4);
    const std::string primera = Valor(valores, 5);

    // An empty part gives no initial; the name keeps both blanks regardless.
    const std::string base = primera.substr(0, 1) + segunda.substr(0, 1) + tercera.substr(0, 1);
    const std::string abrev = abreviaturas.Asignar(base);
    const std::string nombre = primera + " " + segunda + " " + tercera;

    tabla.Append();
    tabla.FieldByName("ABREV").SetAsString(abrev);
    tabla.FieldByName("NOMBRE").SetAsString(nombre);
    tabla.FieldByName("X_EMPLEADO").SetAsString(empleado);
    tabla.FieldByName("F_TOMAPOS").SetAsString(tomaPosesion);
    tabla.FieldByName("DEPART").SetAsString(departamento);
    tabla.Post();
    ++filas;
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
