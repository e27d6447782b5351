// ExportarCursoAcad: the academic year from the first two top-level groups,
// blank dates from the first school-days record.
#include <stdexcept>

#include "comun/NombresDePrueba.h"
#include "export/Ayudas.h"
#include "export/Exportacion.h"
#include "tables/TablaDBF.h"

namespace transzorvos::prueba {
namespace {

struct CasoCurso {
  const char* nombre;
  std::vector<GrupoPrueba> grupos;
  std::vector<Fila> filas;
};

void PrintTo(const CasoCurso& c, std::ostream* os) {
  *os << c.nombre << ": grupos " << c.grupos.size() << ", filas " << c.filas.size();
}

GrupoPrueba Propios(Valores valores) {
  return GrupoPrueba{"G", std::move(valores), {}};
}
GrupoPrueba Jornadas(std::vector<Valores> registros) {
  return Grupo("JORNADAS_ESCOLARES", std::move(registros));
}

class CursoAcadPrueba : public PruebaExportacion,
                        public ::testing::WithParamInterface<CasoCurso> {};

TEST_P(CursoAcadPrueba, Filas) {
  const auto doc = Cargar(GetParam().grupos);
  EXPECT_EQ(ExportarCursoAcad(*doc, qtemp), GetParam().filas.size());
  EXPECT_EQ(Filas("CURSOACAD"), GetParam().filas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CursoAcadPrueba,
    ::testing::Values(
        CasoCurso{
            "recortado", {Propios({" 2009 ", "S", "E"}), Propios({"x"})}, {{"2009", "S", "E"}}},
        CasoCurso{"inicio_vacio_toma_ambas_fechas_de_jornadas",
                  {Propios({"2009", "", "E"}), Propios({"x"}), Jornadas({{"a", "b", "S2", "E2"}})},
                  {{"2009", "S2", "E2"}}},
        CasoCurso{"jornada_de_un_valor_no_cambia_nada",
                  {Propios({"2009", "", "E"}), Jornadas({{"a"}})},
                  {{"2009", "", "E"}}},
        CasoCurso{"blancos_y_saltos_cuentan_como_vacio",
                  {Propios({"2009", " \n\t \r\n", "E"}), Jornadas({{"a", "b", "S2", "E2"}})},
                  {{"2009", "S2", "E2"}}},
        CasoCurso{"solo_se_mira_la_primera_jornada",
                  {Propios({"2009", "", ""}), Jornadas({{"a"}, {"a", "b", "S3", "E3"}})},
                  {{"2009", "", ""}}},
        CasoCurso{"jornada_de_tres_valores_deja_fin_vacio",
                  {Propios({"2009", "", "E"}), Jornadas({{"a", "b", "S2"}})},
                  {{"2009", "S2", ""}}},
        CasoCurso{"sin_grupo_de_jornadas", {Propios({"2009", "", "E"})}, {{"2009", "", "E"}}},
        CasoCurso{"jornadas_sin_registros",
                  {Propios({"2009", "S", ""}), Jornadas({})},
                  {{"2009", "S", ""}}},
        CasoCurso{"grupo_de_dos_valores_sin_fin",
                  {Propios({"2009", "S"}), Jornadas({{"a", "b", "S2", "E2"}})},
                  {{"2009", "S2", "E2"}}},
        CasoCurso{"fechas_completas_no_miran_jornadas",
                  {Propios({"2009", "S", "E"}), Jornadas({{"a", "b", "S2", "E2"}})},
                  {{"2009", "S", "E"}}},
        CasoCurso{"solo_el_segundo_grupo",
                  {Propios({"x"}), Propios({"2011", "S", "E"})},
                  {{"2011", "S", "E"}}},
        CasoCurso{"los_dos_grupos_dan_dos_filas",
                  {Propios({"2009", "", ""}), Propios({"2010", "A", ""}),
                   Jornadas({{"a", "b", "S2", "E2"}})},
                  {{"2009", "", ""}, {"2010", "S2", "E2"}}},
        CasoCurso{"anno_largo_cortado",
                  {Propios({"2009-10", "01/09/2009", "30/06/2010 fin"})},
                  {{"2009", "01/09/2009", "30/06/2010"}}},
        CasoCurso{"un_solo_grupo_de_nivel_superior",
                  {Propios({"2026", "S", "E"})},
                  {{"2026", "S", "E"}}}),
    PorNombre());

// Neither of the first two groups holds a year (the third is never looked
// at): the table is created empty and the run ends with a clear message.
TEST_F(PruebaExportacion, SinCursoLaTablaQuedaVaciaYElErrorLoDice) {
  BorrarTabla(qtemp, "CURSOACAD");
  EscribirFichero(qtemp / "CURSOACAD.MDX", "indice viejo");
  const auto doc = Cargar({Propios({"x"}), Propios({}), Propios({"2012", "S", "E"}),
                           Grupo("JORNADAS_ESCOLARES", {{"a", "b", "S", "E"}})});
  try {
    ExportarCursoAcad(*doc, qtemp);
    FAIL() << "sin error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("no contiene el curso académico"), std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(Filas("CURSOACAD").empty());
  EXPECT_FALSE(std::filesystem::exists(qtemp / "CURSOACAD.MDX"));
}

TEST_F(PruebaExportacion, CursoSinGruposEsError) {
  const auto doc = Cargar({});
  EXPECT_THROW(ExportarCursoAcad(*doc, qtemp), std::runtime_error);
  EXPECT_TRUE(Filas("CURSOACAD").empty());
}

TEST_F(PruebaExportacion, CursoLeeSoloLosValoresPropiosDelGrupo) {
  // Values of records nested in the first group are not the group's own.
  const auto doc = Cargar({GrupoPrueba{"CURSO", {"2026", "15/09/2026"}, {{"R0", "R1", "R2"}}},
                           Grupo("JORNADAS_ESCOLARES", {{"a", "b", "S", "E"}})});
  ExportarCursoAcad(*doc, qtemp);
  EXPECT_EQ(Filas("CURSOACAD"), (std::vector<Fila>{{"2026", "S", "E"}}));
  EXPECT_EQ(Estructura(qtemp, "CURSOACAD"),
            (std::vector<std::string>{"CURSOANNO C 4 0", "F_INICIO C 10 0", "F_FIN C 10 0"}));
}

}  // namespace
}  // namespace transzorvos::prueba
