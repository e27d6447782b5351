// ExportarMaterias: subjects with short codes from their initials, then
// activities with their own codes.
#include "export/Ayudas.h"
#include "export/Exportacion.h"

namespace transzorvos::prueba {
namespace {

using Codigos = std::vector<std::string>;

// Subjects offered under OF1, named as given.
GrupoPrueba Materias(const std::vector<std::string>& nombres) {
  std::vector<Valores> registros;
  for (std::size_t i = 0; i < nombres.size(); ++i)
    registros.push_back({"OF1", Numerado("M", static_cast<long long>(i)), nombres[i]});
  return Grupo("MATERIAS", registros);
}

struct CasoCodigos {
  const char* nombre;
  std::vector<std::string> nombres;
  Codigos codigos;
};

void PrintTo(const CasoCodigos& c, std::ostream* os) {
  *os << c.nombre;
}

class CodigosMateriaPrueba : public PruebaExportacion,
                             public ::testing::WithParamInterface<CasoCodigos> {};

TEST_P(CodigosMateriaPrueba, Cod) {
  const auto doc = Cargar({Materias(GetParam().nombres)});
  EXPECT_EQ(ExportarMaterias(*doc, qtemp), GetParam().codigos.size());
  EXPECT_EQ(Columna("ASIGNOMT", "COD"), GetParam().codigos);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CodigosMateriaPrueba,
    ::testing::Values(
        CasoCodigos{"iniciales",
                    {"Lengua Castellana y Literatura", "Lengua Extranjera", "Latín"},
                    {"LC", "LE", "L"}},
        CasoCodigos{"repetidas", {"Matemáticas", "Matemáticas", "Matemáticas"}, {"M", "M1", "M2"}},
        CasoCodigos{
            "mayusculas_no_distinguen", {"Educación Física", "educación física"}, {"EF", "ef1"}},
        CasoCodigos{"acentos_distinguen",
                    {"Ética", "Economía", "ética", "economía"},
                    {"É", "E", "é1", "e1"}},
        CasoCodigos{"recortado", {"  Música\n"}, {"M"}},
        CasoCodigos{"solo_el_blanco_separa", {"Física-Química", "Física\tQuímica"}, {"F", "F1"}},
        // 'T ' is stored as 'T': a later 'T' must not share it.
        CasoCodigos{"dos_blancos_seguidos", {"Taller  de Teatro", "Tecnología"}, {"T", "T1"}},
        // 'T 1' and 'T 2' do not use up 'T1'.
        CasoCodigos{"blanco_y_sin_blanco",
                    {"Tecnología", "Taller  de Teatro", "Taller  de Teatro", "Tecnología"},
                    {"T", "T 1", "T 2", "T1"}},
        CasoCodigos{"nombres_vacios", {"", "   ", ""}, {"", "1", "2"}},
        CasoCodigos{"ciento_y_pico", std::vector<std::string>(102, "Matemáticas Aplicadas"),
                    [] {
                      Codigos c{"MA"};
                      for (int n = 1; n <= 99; ++n) c.push_back("MA" + std::to_string(n));
                      c.push_back("M100");
                      c.push_back("M101");
                      return c;
                    }()}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(PruebaExportacion, MateriasYActividades) {
  const std::string largo = "Proyecto Integrado de Ciencias Aplicadas al Medio";  // 50
  const auto doc = Cargar({
      Grupo("ACTIVIDADES", {{"x", "GUAR", "Guardia"},
                            {"x", "123456789", "Reunión de departamento"},
                            {"x", "M", "Mismo código que una materia"},
                            {"solo uno"}}),
      Grupo("MATERIAS", {{"OF1", "MAT1", "Matemáticas"},
                         {"un valor"},
                         {"OF1", "MAT2", "Matemáticas"},
                         {"OF2", "LARGO", largo},
                         {"OF3", "SOLO DOS"},
                         {"OFERTA-LARGA", "MATERIA-LARGA", "Lengua"}}),
  });
  EXPECT_EQ(ExportarMaterias(*doc, qtemp), 8u);
  EXPECT_EQ(Filas("ASIGNOMT"),
            (std::vector<Fila>{
                {"M", "MAT1", "Matemáticas", "OF1", "", "F"},
                {"M1", "MAT2", "Matemáticas", "OF1", "", "F"},
                {"PI", "LARGO", largo.substr(0, 40), "OF2", "", "F"},
                // Two values: an empty name gives the empty code.
                {"", "SOLO DOS", "", "OF3", "", "F"},
                {"L", "MATERIA-", "Lengua", "OFERTA-L", "", "F"},
                {"GUAR", "GUAR", "Guardia", "GUAR", "", "T"},
                {"1234", "12345678", "Reunión de departamento", "12345678", "", "T"},
                // Activities never take part in the code list.
                {"M", "M", "Mismo código que una materia", "M", "", "T"},
            }));
  EXPECT_EQ(Estructura(qtemp, "ASIGNOMT"),
            (std::vector<std::string>{"COD C 4 0", "CODLARGO C 8 0", "NOMBRE C 40 0",
                                      "OFERTAMATR C 8 0", "CODTAREA C 12 0", "ESTAREA L 1 0"}));
}

TEST_F(PruebaExportacion, MateriasSinActividadesNiMaterias) {
  {
    const auto doc =
        Cargar({Materias({"Biología", "Geografía"}), Grupo("actividades", {{"x", "G", "G"}})});
    EXPECT_EQ(ExportarMaterias(*doc, qtemp), 2u);
    EXPECT_EQ(Columna("ASIGNOMT", "ESTAREA"), (Codigos{"F", "F"}));
  }
  {
    // 'materias' in lower case is another group.
    const auto doc = Cargar({Grupo("materias", {{"OF1", "M", "Música"}})});
    EXPECT_EQ(ExportarMaterias(*doc, qtemp), 0u);
    EXPECT_TRUE(Filas("ASIGNOMT").empty());
  }
}

}  // namespace
}  // namespace transzorvos::prueba
