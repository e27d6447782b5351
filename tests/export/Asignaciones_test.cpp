// ExportarAsignaciones: every group paired with the rows of ASIGNOMT of its
// offer, read back through the window's components.
#include <stdexcept>

#include "export/Ayudas.h"
#include "export/Exportacion.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::prueba {
namespace {

class AsignacionesPrueba : public PruebaExportacion {
 protected:
  // Writes ASIGNOMT and GRUPOST from the document, then ASIGT.
  std::size_t Exportar(const std::vector<GrupoPrueba>& grupos) {
    const auto doc = Cargar(grupos);
    ExportarMaterias(*doc, qtemp);
    ExportarGrupos(*doc, qtemp);
    return ExportarAsignaciones(qtemp, tablas.wwTableGrupos, tablas.wwTableNomAsg);
  }
  TablasFormulario tablas{qtemp};
};

TEST_F(AsignacionesPrueba, EmparejaPorOferta) {
  const std::size_t filas = Exportar({
      Grupo("MATERIAS", {{"OF1", "MAT", "Matemáticas"},
                         {"OF2", "BIO", "Biología"},
                         {"OF1", "LEN", "Lengua Castellana"},
                         {"of1", "MUS", "Música"},
                         {"", "SINOF", "Sin oferta"},
                         {"OFERTA-LARGA", "LARGA", "Oferta larga"},
                         {"OF1", "ING", "Inglés"}}),
      Grupo("ACTIVIDADES", {{"x", "OF1", "Guardia"}}),
      Grupo("UNIDADES", {{"U1", "1º ESO A", "OF1"},
                         {"U2", "2º ESO A", "OF3"},
                         {"U3", "1º ESO B", "OF1"},
                         {"U4", "Sin oferta", ""},
                         {"U5", "Larga", "OFERTA-LARGA"}}),
  });
  // Per group in GRUPOST order, its pairings in ASIGNOMT order.
  const std::vector<Fila> esperadas = {
      {"M", "", "1ESA", "", "", "ES", "1", "A", "4.0", "1111", "1", "U1", "OF1", "MAT"},
      {"LC", "", "1ESA", "", "", "ES", "1", "A", "4.0", "1111", "1", "U1", "OF1", "LEN"},
      {"I", "", "1ESA", "", "", "ES", "1", "A", "4.0", "1111", "1", "U1", "OF1", "ING"},
      {"OF1", "", "1ESA", "", "", "ES", "1", "A", "4.0", "1111", "OF1", "U1", "OF1", "OF1"},
      {"M", "", "1ESB", "", "", "ES", "1", "B", "4.0", "1111", "1", "U3", "OF1", "MAT"},
      {"LC", "", "1ESB", "", "", "ES", "1", "B", "4.0", "1111", "1", "U3", "OF1", "LEN"},
      {"I", "", "1ESB", "", "", "ES", "1", "B", "4.0", "1111", "1", "U3", "OF1", "ING"},
      {"OF1", "", "1ESB", "", "", "ES", "1", "B", "4.0", "1111", "OF1", "U3", "OF1", "OF1"},
      {"So", "", "S oa", "", "", " o", "S", "a", "4.0", "1111", "1", "U4", "", "SINOF"},
  };
  EXPECT_EQ(filas, esperadas.size());
  std::vector<Fila> leidas = Filas("ASIGT");
  for (Fila& f : leidas) {
    // HORAS as the number it holds, whatever its text form.
    f[8] = std::stod(f[8]) == 4.0 ? "4.0" : f[8];
  }
  EXPECT_EQ(leidas, esperadas);
  EXPECT_EQ(Estructura(qtemp, "ASIGT"),
            (std::vector<std::string>{"CASIG C 4 0", "CPROF C 4 0", "CGRUP C 4 0", "CAULA C 4 0",
                                      "TURNO C 1 0", "NIVEL C 5 0", "CURSO C 3 0", "GRUPO C 2 0",
                                      "HORAS N 20 4", "SESIONES C 20 0", "CTAREA C 4 0",
                                      "UNIDAD C 10 0", "OFERTA C 10 0", "MATERIA C 10 0"}));

  // The window's tables are closed and usable by the import.
  EXPECT_FALSE(tablas.wwTableGrupos.Active());
  EXPECT_FALSE(tablas.wwTableNomAsg.Active());
  tablas.wwTableGrupos.Open();
  tablas.wwTableNomAsg.Open();
  EXPECT_EQ(tablas.wwTableGrupos.FieldByName("ABREV").AsString(), "1ESA");
  tablas.wwTableGrupos.Close();
  tablas.wwTableNomAsg.Close();

  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  // The host reads HORAS as a number.
  const std::string python = FilasPython(qtemp / "ASIGT.DBF");
  EXPECT_EQ(python.substr(0, python.find('\n')), "M||1ESA|||ES|1|A|4.0|1111|1|U1|OF1|MAT");
}

TEST_F(AsignacionesPrueba, TablasVaciasDanAsigtVacia) {
  EXPECT_EQ(Exportar({Grupo("MATERIAS", {{"OF1", "MAT", "Matemáticas"}})}), 0u);
  EXPECT_TRUE(Filas("ASIGT").empty());
  EXPECT_EQ(Exportar({Grupo("UNIDADES", {{"U1", "1º ESO A", "OF1"}})}), 0u);
  EXPECT_TRUE(Filas("ASIGT").empty());
}

TEST_F(AsignacionesPrueba, TablaQueFaltaDejaLasDelFormularioCerradas) {
  Exportar({Grupo("MATERIAS", {{"OF1", "MAT", "Matemáticas"}}),
            Grupo("UNIDADES", {{"U1", "1º ESO A", "OF1"}})});
  std::filesystem::remove(qtemp / "ASIGNOMT.DBF");
  EXPECT_THROW(ExportarAsignaciones(qtemp, tablas.wwTableGrupos, tablas.wwTableNomAsg),
               std::runtime_error);
  EXPECT_FALSE(tablas.wwTableGrupos.Active());
  EXPECT_FALSE(tablas.wwTableNomAsg.Active());
  // GRUPOST, opened for exclusive use before the failure, is free again.
  TablaDBF otra(qtemp, "GRUPOST", true);
  EXPECT_NO_THROW(otra.Open());
}

}  // namespace
}  // namespace transzorvos::prueba
