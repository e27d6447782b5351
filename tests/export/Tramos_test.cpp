// ExportarTramos: every time slot on each of the seven days, keyed by DIHO.
#include <set>
#include <stdexcept>

#include "comun/NombresDePrueba.h"
#include "export/Ayudas.h"
#include "export/Exportacion.h"

namespace transzorvos::prueba {
namespace {

GrupoPrueba Tramos(std::vector<Valores> registros) {
  return Grupo("TRAMOS_HORARIOS", std::move(registros));
}

std::vector<Valores> TramosSeguidos(int cuantos) {
  std::vector<Valores> tramos;
  for (int i = 0; i < cuantos; ++i) {
    const int inicio = 480 + 55 * i;
    tramos.push_back({Numerado("T", i + 1), std::to_string(i + 1) + "ª", std::to_string(inicio),
                      std::to_string(inicio + 55)});
  }
  return tramos;
}

TEST_F(PruebaExportacion, TramosCadaDiaDeLaSemana) {
  const auto doc = Cargar({Tramos(TramosSeguidos(5))});
  EXPECT_EQ(ExportarTramos(*doc, qtemp), 35u);
  const std::vector<Fila> filas = Filas("DIASHORAST");
  ASSERT_EQ(filas.size(), 35u);
  EXPECT_EQ(filas[0], (Fila{"11", "T1", "1", "", "1ª", "1ª", "0480", "0535", "55"}));
  EXPECT_EQ(filas[5], (Fila{"21", "T1", "2", "", "1ª", "1ª", "0480", "0535", "55"}));
  EXPECT_EQ(filas[6][0], "22");
  EXPECT_EQ(filas[34], (Fila{"75", "T5", "7", "", "5ª", "5ª", "0700", "0755", "55"}));
  for (const Fila& f : filas) {
    EXPECT_EQ(f[3], "");
    EXPECT_EQ(f[2].size(), 1u);
  }
  EXPECT_EQ(Estructura(qtemp, "DIASHORAST"),
            (std::vector<std::string>{"DIHO C 10 0", "CODDIHO C 10 0", "DIA C 20 0",
                                      "TEXTODIA C 20 0", "HORA C 8 0", "TEXTOHOR C 8 0",
                                      "HORADESDE C 8 0", "HORAHASTA C 8 0", "MINUTOS C 8 0"}));
}

TEST_F(PruebaExportacion, TramosDoceDanClavesUnicas) {
  const auto doc = Cargar({Tramos(TramosSeguidos(12))});
  EXPECT_EQ(ExportarTramos(*doc, qtemp), 84u);
  const std::vector<std::string> claves = Columna("DIASHORAST", "DIHO");
  EXPECT_EQ(claves[11], "112");
  EXPECT_EQ(claves[12], "21");
  EXPECT_EQ(std::set<std::string>(claves.begin(), claves.end()).size(), 84u);
}

struct CasoHoras {
  const char* desde;
  const char* hasta;
  const char* horaDesde;
  const char* horaHasta;
  const char* minutos;
};

void PrintTo(const CasoHoras& c, std::ostream* os) {
  *os << TextoVisible(c.desde) << " a " << TextoVisible(c.hasta) << ": " << c.horaDesde << " a "
      << c.horaHasta << ", " << c.minutos << " minutos";
}

// A time as part of a case name, its signs spelt out: "-5" gives "menos5".
std::string NombreHora(std::string_view hora) {
  std::string texto;
  for (const char c : hora) {
    if (c == '-')
      texto += " menos";
    else if (c == '+')
      texto += " mas";
    else
      texto += c;
  }
  return NombreDePrueba(texto);
}

// The case's two times, as "480_540".
template <class Caso>
std::string NombreHoras(const ::testing::TestParamInfo<Caso>& info) {
  return NombreDePrueba({NombreHora(info.param.desde), NombreHora(info.param.hasta)});
}

class HorasPrueba : public PruebaExportacion, public ::testing::WithParamInterface<CasoHoras> {};

TEST_P(HorasPrueba, CeroDelanteYMinutos) {
  const CasoHoras& c = GetParam();
  const auto doc = Cargar({Tramos({{"T1", "1ª", c.desde, c.hasta}})});
  ExportarTramos(*doc, qtemp);
  const Fila f = Filas("DIASHORAST").at(0);
  EXPECT_EQ((Fila{f[6], f[7], f[8]}), (Fila{c.horaDesde, c.horaHasta, c.minutos}));
}

INSTANTIATE_TEST_SUITE_P(Casos, HorasPrueba,
                         ::testing::Values(CasoHoras{"480", "540", "0480", "0540", "60"},
                                           CasoHoras{"", "45", "0", "045", "45"},
                                           CasoHoras{"1000", "1100", "1000", "1100", "100"},
                                           CasoHoras{"540", "510", "0540", "0510", "-30"},
                                           CasoHoras{" 0480\n", "00540", "0480", "00540", "60"},
                                           CasoHoras{"-300", "+600", "-300", "+600", "900"},
                                           // MINUTOS comes from the whole texts.
                                           CasoHoras{"0", "000000000600", "00", "00000000", "600"}),
                         NombreHoras<CasoHoras>);

TEST_F(PruebaExportacion, TramosTextosLargosYValoresQueFaltan) {
  const auto doc = Cargar({Tramos({
      {"CODIGO-DE-TRAMO", "Primera h", "480", "540"},
      {"T2", "2ª"},
      {},
  })});
  EXPECT_EQ(ExportarTramos(*doc, qtemp), 21u);
  const std::vector<Fila> filas = Filas("DIASHORAST");
  EXPECT_EQ(filas[0],
            (Fila{"11", "CODIGO-DE-", "1", "", "Primera", "Primera", "0480", "0540", "60"}));
  EXPECT_EQ(filas[1], (Fila{"12", "T2", "1", "", "2ª", "2ª", "0", "0", "0"}));
  EXPECT_EQ(filas[2], (Fila{"13", "", "1", "", "", "", "0", "0", "0"}));
}

TEST_F(PruebaExportacion, TramosSinGrupo) {
  const auto doc = Cargar({GrupoCurso(), Tramos({})});
  EXPECT_EQ(ExportarTramos(*doc, qtemp), 0u);
  EXPECT_TRUE(Filas("DIASHORAST").empty());
}

struct CasoMalo {
  const char* desde;
  const char* hasta;
  const char* mensaje;
};

void PrintTo(const CasoMalo& c, std::ostream* os) {
  *os << TextoVisible(c.desde) << " a " << TextoVisible(c.hasta);
}

class HoraMalaPrueba : public PruebaExportacion, public ::testing::WithParamInterface<CasoMalo> {};

TEST_P(HoraMalaPrueba, ParaAntesDeEmpezarLaFila) {
  const CasoMalo& c = GetParam();
  const auto doc = Cargar({Tramos({{"T1", "1ª", "480", "540"}, {"T2", "2ª", c.desde, c.hasta}})});
  try {
    ExportarTramos(*doc, qtemp);
    FAIL() << "sin error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), c.mensaje);
  }
  // The first slot of day 1 was posted; the bad one left no row.
  EXPECT_EQ(Columna("DIASHORAST", "DIHO"), (std::vector<std::string>{"11"}));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, HoraMalaPrueba,
    ::testing::Values(CasoMalo{"ab", "540", "'0ab' no es un valor entero válido"},
                      CasoMalo{"480", "12:30", "'12:30' no es un valor entero válido"},
                      CasoMalo{"-5", "540", "'0-5' no es un valor entero válido"},
                      CasoMalo{"480", "8 30", "'8 30' no es un valor entero válido"},
                      CasoMalo{"480", "1e3", "'01e3' no es un valor entero válido"},
                      CasoMalo{"480", "99999999999", "'99999999999' no es un valor entero válido"},
                      CasoMalo{"+", "540", "'0+' no es un valor entero válido"},
                      CasoMalo{"480", "ñú", "'0ñú' no es un valor entero válido"}),
    NombreHoras<CasoMalo>);

}  // namespace
}  // namespace transzorvos::prueba
