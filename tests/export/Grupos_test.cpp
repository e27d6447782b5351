// ExportarGrupos: units, with a base code cut from the name at fixed places,
// level, course and group cut from the base code, and a unique ABREV.
#include "comun/NombresDePrueba.h"
#include "export/Ayudas.h"
#include "export/Exportacion.h"

namespace transzorvos::prueba {
namespace {

struct CasoGrupo {
  const char* nombre;
  std::vector<std::string> nombres;  // unit names, in document order
  std::vector<Fila> filas;           // ABREV, NIVEL, CURSO, GRUPO per unit
};

void PrintTo(const CasoGrupo& c, std::ostream* os) {
  *os << c.nombre << ":";
  for (const std::string& n : c.nombres) *os << " " << TextoVisible(n);
}

class GruposPrueba : public PruebaExportacion, public ::testing::WithParamInterface<CasoGrupo> {};

TEST_P(GruposPrueba, CodigosYPartes) {
  std::vector<Valores> unidades;
  for (const std::string& nombre : GetParam().nombres) unidades.push_back({"U", nombre, "OF"});
  const auto doc = Cargar({Grupo("UNIDADES", unidades)});
  EXPECT_EQ(ExportarGrupos(*doc, qtemp), GetParam().filas.size());
  std::vector<Fila> vistas;
  for (const Fila& f : Filas("GRUPOST")) vistas.push_back({f[0], f[2], f[3], f[4]});
  EXPECT_EQ(vistas, GetParam().filas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, GruposPrueba,
    ::testing::Values(
        CasoGrupo{"siete", {"ABCDEFG"}, {{"ADEG", "DE", "A", "G"}}},
        CasoGrupo{"cinco", {"ABCDE"}, {{"ADEE", "DE", "A", "E"}}},
        CasoGrupo{"cuatro", {"ABCD"}, {{"ABCD", "BC", "A", "D"}}},
        CasoGrupo{"tres", {"ABC"}, {{"ABC", "BC", "A", "C"}}},
        CasoGrupo{"dos", {"AB"}, {{"AB", "B", "A", "B"}}},
        CasoGrupo{"uno", {"A"}, {{"A", "NIV", "A", "A"}}},
        CasoGrupo{"vacios",
                  {"", " ", "\n"},
                  {{"", "NIV", "", ""}, {"1", "NIV", "", ""}, {"2", "NIV", "", ""}}},
        CasoGrupo{"blancos_cuentan", {"1x ABC D"}, {{"1ABD", "AB", "1", "D"}}},
        CasoGrupo{"recortado", {"  ABCD\t"}, {{"ABCD", "BC", "A", "D"}}},
        CasoGrupo{"unidad_real",
                  {"1º ESO A", "1º ESO B"},
                  {{"1ESA", "ES", "1", "A"}, {"1ESB", "ES", "1", "B"}}},
        CasoGrupo{"tres_iguales_cortos",
                  {"AB", "AB", "AB"},
                  {{"AB", "B", "A", "B"}, {"AB1", "B", "A", "B"}, {"AB2", "B", "A", "B"}}},
        // Unique in the table, not only in the list: ADEG, ADE1, ADE2.
        CasoGrupo{"iguales_de_cuatro",
                  {"ABCDEFG", "AXCDEYG", "ABCDEFG"},
                  {{"ADEG", "DE", "A", "G"}, {"ADE1", "DE", "A", "G"}, {"ADE2", "DE", "A", "G"}}},
        CasoGrupo{"mayusculas_no_distinguen",
                  {"AB", "ab"},
                  {{"AB", "B", "A", "B"}, {"ab1", "b", "a", "b"}}}),
    PorNombre());

TEST_F(PruebaExportacion, GruposCamposCompletos) {
  const auto doc = Cargar({Grupo("UNIDADES", {
                                                 {"U1", "2º BACH A", "OF-BACH2"},
                                                 {"U2"},  // skipped: takes no code
                                                 {"U3", "AB"},
                                                 {"U45678901234", "AB", "OFERTA-LARGA"},
                                             })});
  EXPECT_EQ(ExportarGrupos(*doc, qtemp), 3u);
  EXPECT_EQ(Filas("GRUPOST"), (std::vector<Fila>{
                                  {"2BAA", "", "BA", "2", "A", "U1", "OF-BACH2"},
                                  {"AB", "", "B", "A", "B", "U3", ""},
                                  {"AB1", "", "B", "A", "B", "U456789012", "OFERTA-LAR"},
                              }));
  EXPECT_EQ(Estructura(qtemp, "GRUPOST"),
            (std::vector<std::string>{"ABREV C 4 0", "TURNO C 1 0", "NIVEL C 5 0", "CURSO C 3 0",
                                      "GRUPO C 2 0", "UNIDAD C 10 0", "OFERMATR C 10 0"}));
}

}  // namespace
}  // namespace transzorvos::prueba
