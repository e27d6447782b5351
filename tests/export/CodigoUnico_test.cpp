// The unique short code: the case-insensitive comparison and the counter rule
// that keeps stored codes unique in four characters.
#include "export/CodigoUnico.h"

#include <cctype>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comun/NombresDePrueba.h"
#include "exchange/Ansi.h"

namespace transzorvos {
namespace {

struct Comparacion {
  const char* nombre;
  const char* a;  // UTF-8, converted to Windows-1252 for the call
  const char* b;
  bool iguales;
};

void PrintTo(const Comparacion& c, std::ostream* os) {
  *os << c.nombre << ": " << prueba::TextoVisible(c.a)
      << (c.iguales ? " igual a " : " distinta de ") << prueba::TextoVisible(c.b);
}

class IgualesSinMayusculasPrueba : public ::testing::TestWithParam<Comparacion> {};

TEST_P(IgualesSinMayusculasPrueba, PlieganSoloLetras) {
  const Comparacion& c = GetParam();
  EXPECT_EQ(IgualesSinMayusculas(Utf8AAnsi(c.a), Utf8AAnsi(c.b)), c.iguales) << c.a << " / " << c.b;
  EXPECT_EQ(IgualesSinMayusculas(Utf8AAnsi(c.b), Utf8AAnsi(c.a)), c.iguales) << c.b << " / " << c.a;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, IgualesSinMayusculasPrueba,
    ::testing::Values(
        Comparacion{"ascii", "agl", "AGL", true}, Comparacion{"ascii_mezcladas", "Ef", "eF", true},
        Comparacion{"e_aguda", "é", "É", true}, Comparacion{"enye", "ñ", "Ñ", true},
        Comparacion{"u_dieresis", "ü", "Ü", true}, Comparacion{"c_cedilla", "ç", "Ç", true},
        Comparacion{"a_grave", "à", "À", true}, Comparacion{"thorn", "þ", "Þ", true},
        Comparacion{"s_caron", "š", "Š", true}, Comparacion{"oe", "œ", "Œ", true},
        Comparacion{"z_caron", "ž", "Ž", true}, Comparacion{"y_dieresis", "ÿ", "Ÿ", true},
        // Accents count.
        Comparacion{"E_y_E_aguda", "E", "É", false}, Comparacion{"e_y_e_aguda", "e", "é", false},
        Comparacion{"N_y_enye", "N", "ñ", false},
        // Signs beside the letters are no letters.
        Comparacion{"por_y_entre", "×", "÷", false},
        Comparacion{"arroba_y_acento_grave", "@", "`", false},
        Comparacion{"corchetes_y_llaves", "[", "{", false},
        Comparacion{"eszett_y_y_dieresis", "ß", "ÿ", false}, Comparacion{"cifras", "1", "1", true},
        Comparacion{"vacias", "", "", true}, Comparacion{"prefijo", "AB", "ABC", false},
        Comparacion{"con_vacia", "A", "", false}),
    prueba::PorNombre());

std::vector<std::string> AsignarVarias(ListaCodigos& lista, const std::string& base, int veces) {
  std::vector<std::string> codigos;
  for (int i = 0; i < veces; ++i) codigos.push_back(lista.Asignar(base));
  return codigos;
}

// The codes for `base`, `veces` times over, in a fresh list.
std::vector<std::string> Sucesion(const std::string& base, int veces) {
  ListaCodigos lista("PRUEBA");
  return AsignarVarias(lista, base, veces);
}

TEST(ListaCodigos, ContadorCabeEnCuatroCaracteres) {
  EXPECT_EQ(Sucesion("AGL", 11),
            (std::vector<std::string>{"AGL", "AGL1", "AGL2", "AGL3", "AGL4", "AGL5", "AGL6", "AGL7",
                                      "AGL8", "AGL9", "AG10"}));
  EXPECT_EQ(Sucesion("ADEG", 3), (std::vector<std::string>{"ADEG", "ADE1", "ADE2"}));
  EXPECT_EQ(Sucesion("AULA", 2), (std::vector<std::string>{"AULA", "AUL1"}));
  EXPECT_EQ(Sucesion("", 3), (std::vector<std::string>{"", "1", "2"}));
  EXPECT_EQ(Sucesion("M", 3), (std::vector<std::string>{"M", "M1", "M2"}));

  const std::vector<std::string> ma = Sucesion("MA", 102);
  EXPECT_EQ(ma[0], "MA");
  EXPECT_EQ(ma[1], "MA1");
  EXPECT_EQ(ma[10], "MA10");
  EXPECT_EQ(ma[99], "MA99");
  EXPECT_EQ(ma[100], "M100");
  EXPECT_EQ(ma[101], "M101");
}

TEST(ListaCodigos, CodigosGuardadosNuncaSeRepiten) {
  ListaCodigos lista("PRUEBA");
  std::set<std::string> vistos;
  for (const char* base : {"AGL", "AG", "A", "AGL", "AG10", "AGL", "A", "", "1"}) {
    for (int i = 0; i < 120; ++i) {
      const std::string codigo = lista.Asignar(base);
      EXPECT_LE(codigo.size(), 4u);
      EXPECT_TRUE(vistos.insert(codigo).second) << "repetido: " << codigo;
    }
  }
  EXPECT_EQ(lista.Codigos().size(), vistos.size());
}

TEST(ListaCodigos, ElContadorSeAnadeSiempreALaBase) {
  ListaCodigos lista("PRUEBA");
  // A code some other base produced is taken for everyone.
  EXPECT_EQ(lista.Asignar("AGL1"), "AGL1");
  EXPECT_EQ(lista.Asignar("AGL"), "AGL");
  EXPECT_EQ(lista.Asignar("AGL"), "AGL2");
  EXPECT_EQ(lista.Asignar("AGL2"), "AGL3");
}

TEST(ListaCodigos, MayusculasNoDistinguenPeroAcentosSi) {
  const std::string e = Utf8AAnsi("é"), E = Utf8AAnsi("É");
  ListaCodigos lista("PRUEBA");
  EXPECT_EQ(lista.Asignar("EF"), "EF");
  EXPECT_EQ(lista.Asignar("ef"), "ef1");
  EXPECT_EQ(lista.Asignar("Ef"), "Ef2");
  EXPECT_EQ(lista.Asignar(E), E);
  EXPECT_EQ(lista.Asignar(e), e + "1");
  EXPECT_EQ(lista.Asignar("E"), "E");
  EXPECT_EQ(lista.Asignar("e"), "e1");
}

TEST(ListaCodigos, BlancosFinalesNoDistinguen) {
  // The table pads codes with blanks: 'T ' and 'T' would be one stored code.
  ListaCodigos lista("ASIGNOMT");
  EXPECT_EQ(lista.Asignar("T "), "T ");
  EXPECT_EQ(lista.Asignar("T"), "T1");
  EXPECT_EQ(lista.Asignar("T "), "T 1");
}

TEST(ListaCodigos, BasesConYSinBlancoNoCompartenContador) {
  // 'T' and 'T ' are taken by each other but make different candidates:
  // 'T 1' and 'T 2' leave 'T1' free for the next 'T'.
  ListaCodigos lista("ASIGNOMT");
  EXPECT_EQ(AsignarVarias(lista, "T", 1), std::vector<std::string>{"T"});
  EXPECT_EQ(AsignarVarias(lista, "T ", 2), (std::vector<std::string>{"T 1", "T 2"}));
  EXPECT_EQ(lista.Asignar("T"), "T1");
  EXPECT_EQ(lista.Asignar("t "), "t 3");
  EXPECT_EQ(lista.Asignar("t"), "t2");
}

// The rule as stated, with no memo: the first free candidate, searched from
// n = 1 every time. For ASCII bases: stored codes are kept as keys in lower
// case without trailing blanks.
std::string AsignarSinMemoria(std::set<std::string>& guardados, std::string base) {
  const auto clave = [](std::string c) {
    while (!c.empty() && c.back() == ' ') c.pop_back();
    for (char& l : c) l = static_cast<char>(std::tolower(static_cast<unsigned char>(l)));
    return c;
  };
  base = base.substr(0, 4);
  std::string codigo = base;
  for (int n = 1; guardados.count(clave(codigo)); ++n) {
    const std::string cifras = std::to_string(n);
    codigo = base.substr(0, 4 - cifras.size()) + cifras;
  }
  guardados.insert(clave(codigo));
  return codigo;
}

TEST(ListaCodigos, IgualQueLaReglaSinMemoria) {
  // Bases that share letters, case and blanks in every way, drawn with a
  // fixed seed, so that counters of different bases meet.
  const std::vector<std::string> bases{"T",    "T ", "t",   "T  ", "TA", "Ta", "TA ", "TAB",
                                       "TABC", "T1", "TA1", "",    " ",  "1",  "T 1", "TA10"};
  std::mt19937 azar(20261211);
  ListaCodigos lista("PRUEBA");
  std::set<std::string> guardados;
  for (int i = 0; i < 3000; ++i) {
    const std::string& base = bases[azar() % bases.size()];
    ASSERT_EQ(lista.Asignar(base), AsignarSinMemoria(guardados, base))
        << "paso " << i << ", base '" << base << "'";
  }
}

TEST(ListaCodigos, AgotadosLosCandidatosAvisa) {
  for (const std::string base : {"", "AGL", "ADEG"}) {
    ListaCodigos lista("PROFT");
    const std::vector<std::string> codigos = AsignarVarias(lista, base, 10000);
    EXPECT_EQ(std::set<std::string>(codigos.begin(), codigos.end()).size(), 10000u);
    EXPECT_EQ(codigos.back(), "9999");
    try {
      lista.Asignar(base);
      ADD_FAILURE() << "sin error para '" << base << "'";
    } catch (const std::runtime_error& e) {
      const std::string mensaje = e.what();
      EXPECT_NE(mensaje.find("PROFT"), std::string::npos) << mensaje;
      EXPECT_NE(mensaje.find("'" + base + "'"), std::string::npos) << mensaje;
    }
  }
}

}  // namespace
}  // namespace transzorvos
