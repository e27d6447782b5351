#include "exchange/Ansi.h"

#include <gtest/gtest.h>

#include <string>

#include "comun/NombresDePrueba.h"

namespace transzorvos {
namespace {

using namespace std::string_literals;

struct Conversion {
  const char* nombre;
  std::string utf8;
  std::string ansi;
  friend void PrintTo(const Conversion& c, std::ostream* os) {
    *os << c.nombre << ": " << prueba::TextoVisible(c.utf8);
  }
};

class Utf8AAnsiTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(Utf8AAnsiTest, Convierte) {
  EXPECT_EQ(Utf8AAnsi(GetParam().utf8), GetParam().ansi);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, Utf8AAnsiTest,
    ::testing::Values(
        Conversion{"Ascii", "CURSO 2023/24", "CURSO 2023/24"},
        Conversion{"Acentos", "Educación Física, ñandú, Ü",
                   "Educaci\xF3n F\xEDsica, \xF1"
                   "and\xFA, \xDC"},
        Conversion{"LatinoAlto", "\u00A0\u00BF\u00FF", "\xA0\xBF\xFF"},
        Conversion{"Euro", "12 €", "12 \x80"},
        Conversion{"ComillasYGuiones", "“a” ‘b’ – — … •",
                   "\x93"
                   "a\x94 \x91"
                   "b\x92 \x96 \x97 \x85 \x95"},
        Conversion{"LetrasDeLaZona80", "Š š Œ œ Ž ž Ÿ ƒ ˆ ˜ ™ ‰ ‹ › † ‡ „ ‚",
                   "\x8A \x9A \x8C \x9C \x8E \x9E \x9F \x83 \x88 \x98 \x99 \x89 \x8B \x9B \x86 "
                   "\x87 \x84 \x82"},
        Conversion{"ControlesSinDefinir", "\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D"},
        Conversion{"OtrosControlesC1", "\u0080\u009F", "??"},
        Conversion{"FueraDe1252", "Ā 中 😀 \uFFFD", "? ? ? ?"},
        Conversion{"ContinuacionSuelta", "a\x80z", "a?z"},
        Conversion{"BytesImposibles", "\xC0\xC1\xF5\xFF", "????"},
        Conversion{"FormaDemasiadoLarga", "\xC0\xAF\xE0\x80\xAF", "?????"},
        Conversion{"Sustituto", "\xED\xA0\x80", "???"},
        Conversion{"MasAllaDe10FFFF", "\xF4\x90\x80\x80", "????"},
        Conversion{"SecuenciaRota", "\xE2\x82x\xC3(", "?x?("},
        Conversion{"CortadaAlFinal2", "ab\xC3", "ab?"},
        Conversion{"CortadaAlFinal3", "ab\xE2\x82", "ab?"},
        Conversion{"CortadaAlFinal4", "ab\xF0\x9F\x98", "ab?"},
        Conversion{"CeroInterior", "a\0b"s, "a\0b"s}, Conversion{"Vacio", "", ""}),
    prueba::PorNombre());

TEST(Utf8AAnsi, NoLeeMasAllaDelFinalDelTexto) {
  // The bytes after the view would complete the sequence; they are not part of it.
  const std::string buffer = "x\xE2\x82\xAC";
  EXPECT_EQ(Utf8AAnsi(std::string_view(buffer).substr(0, 3)), "x?");
  EXPECT_EQ(Utf8AAnsi(buffer), "x\x80");
}

TEST(AnsiAUtf8, CadaByteVuelveIgual) {
  for (int b = 0; b < 256; ++b) {
    const std::string ansi(1, static_cast<char>(b));
    const std::string utf8 = AnsiAUtf8(ansi);
    EXPECT_EQ(Utf8AAnsi(utf8), ansi) << "byte " << b;
  }
}

TEST(AnsiAUtf8, CodigosConocidos) {
  EXPECT_EQ(AnsiAUtf8("Educaci\xF3n \x80 \x93x\x94 \x9F"), "Educación € “x” Ÿ");
  EXPECT_EQ(AnsiAUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(AnsiAUtf8("\xA0\xFF"), "\u00A0\u00FF");
  EXPECT_EQ(AnsiAUtf8("a\0b"s), "a\0b"s);
}

struct Recorte {
  const char* nombre;
  std::string texto;
  std::string recortado;
  friend void PrintTo(const Recorte& r, std::ostream* os) {
    *os << r.nombre << ": " << prueba::TextoVisible(r.texto);
  }
};

class RecortarControlesTest : public ::testing::TestWithParam<Recorte> {};

TEST_P(RecortarControlesTest, Recorta) {
  EXPECT_EQ(RecortarControles(GetParam().texto), GetParam().recortado);
}

INSTANTIATE_TEST_SUITE_P(Tabla, RecortarControlesTest,
                         ::testing::Values(Recorte{"BlancosYSaltos", "  2023  \r\n", "2023"},
                                           Recorte{"SaltoDelante", "\n\t 2023", "2023"},
                                           Recorte{"ControlesInterioresQuedan",
                                                   "\x01 a\tb\x1F"
                                                   "c\0d \x02"s,
                                                   "a\tb\x1F"
                                                   "c\0d"s},
                                           Recorte{"SoloBlancos", " \t\r\n\x01 ", ""},
                                           Recorte{"Vacio", "", ""},
                                           Recorte{"NoBlancosSeQuedan", "\xA0x\x7F", "\xA0x\x7F"},
                                           Recorte{"Utf8Intacto", " \xC3\xA1 ", "\xC3\xA1"}),
                         prueba::PorNombre());

}  // namespace
}  // namespace transzorvos
