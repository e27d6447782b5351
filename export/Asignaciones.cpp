// ASIGT: seeds the host's assignments, one row for every group paired with a
// subject or activity of its enrolment offer. Reads GRUPOST and ASIGNOMT back
// through the main window's components, not the document.
#include <string>

#include "export/Exportacion.h"

namespace transzorvos {
namespace {

// The window's components outlive the run and the import opens them next,
// so they are closed on every way out, errors included.
class CierreTablas {
 public:
  CierreTablas(TablaDBF& a, TablaDBF& b) : a_(a), b_(b) {}
  ~CierreTablas() {
    a_.Close();
    b_.Close();
  }
  CierreTablas(const CierreTablas&) = delete;
  CierreTablas& operator=(const CierreTablas&) = delete;

 private:
  TablaDBF& a_;
  TablaDBF& b_;
};

}  // namespace

std::size_t ExportarAsignaciones(const std::filesystem::path& carpeta, TablaDBF& wwTableGrupos,
                                 TablaDBF& wwTableNomAsg) {
  BorrarTabla(carpeta, "ASIGT");
  TablaDBF tabla(carpeta, "ASIGT.DBF");
  tabla.FieldDefs.Clear();
  tabla.FieldDefs.Add("CASIG", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("CPROF", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("CGRUP", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("CAULA", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("TURNO", TipoCampo::Texto, 1);
  tabla.FieldDefs.Add("NIVEL", TipoCampo::Texto, 5);
  tabla.FieldDefs.Add("CURSO", TipoCampo::Texto, 3);
  tabla.FieldDefs.Add("GRUPO", TipoCampo::Texto, 2);
  tabla.FieldDefs.Add("HORAS", TipoCampo::Flotante);
  tabla.FieldDefs.Add("SESIONES", TipoCampo::Texto, 20);
  tabla.FieldDefs.Add("CTAREA", TipoCampo::Texto, 4);
  tabla.FieldDefs.Add("UNIDAD", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("OFERTA", TipoCampo::Texto, 10);
  tabla.FieldDefs.Add("MATERIA", TipoCampo::Texto, 10);
  tabla.CreateTable();
  tabla.Open();

  CierreTablas cierre(wwTableGrupos, wwTableNomAsg);
  wwTableGrupos.Open();
  wwTableGrupos.First();
  wwTableNomAsg.Open();

  // A plain nested walk in stored order: the rows come grouped by group, each
  // group's pairings in ASIGNOMT order.
  std::size_t filas = 0;
  while (!wwTableGrupos.Eof()) {
    const std::string oferta = wwTableGrupos.FieldByName("OFERMATR").AsString();
    wwTableNomAsg.First();
    while (!wwTableNomAsg.Eof()) {
      if (oferta == wwTableNomAsg.FieldByName("OFERTAMATR").AsString()) {
        const std::string cod = wwTableNomAsg.FieldByName("COD").AsString();
        tabla.Append();
        tabla.FieldByName("CASIG").SetAsString(cod);
        tabla.FieldByName("CGRUP").SetAsString(wwTableGrupos.FieldByName("ABREV").AsString());
        tabla.FieldByName("TURNO").SetAsString(wwTableGrupos.FieldByName("TURNO").AsString());
        tabla.FieldByName("NIVEL").SetAsString(wwTableGrupos.FieldByName("NIVEL").AsString());
        tabla.FieldByName("CURSO").SetAsString(wwTableGrupos.FieldByName("CURSO").AsString());
        tabla.FieldByName("GRUPO").SetAsString(wwTableGrupos.FieldByName("GRUPO").AsString());
        tabla.FieldByName("HORAS").SetAsFloat(4.0);
        tabla.FieldByName("SESIONES").SetAsString("1111");
        tabla.FieldByName("CTAREA").SetAsString(
            wwTableNomAsg.FieldByName("ESTAREA").AsBoolean() ? cod : std::string("1"));
        tabla.FieldByName("UNIDAD").SetAsString(wwTableGrupos.FieldByName("UNIDAD").AsString());
        tabla.FieldByName("OFERTA").SetAsString(oferta);
        tabla.FieldByName("MATERIA").SetAsString(wwTableNomAsg.FieldByName("CODLARGO").AsString());
        tabla.Post();
        ++filas;
      }
      wwTableNomAsg.Next();
    }
    wwTableGrupos.Next();
  }

  tabla.Close();
  return filas;
}

}  // namespace transzorvos
