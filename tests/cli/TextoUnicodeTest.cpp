// transzorvos and text outside ASCII: paths whose folder and file names hold
// 'ñ' and 'Ω' (outside Windows' ANSI code page) given on the command line,
// messages with accents shown on a Windows console, and the output layer's
// handling of characters cut between two flushes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Consola.h"
#include "cli/Transzorvos.h"
#include "comun/Utilidades.h"
#include "import/TablasPrueba.h"
#include "tables/TablaDBF.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& ruta) {
  const std::u8string u8 = ruta.u8string();
  return std::string(u8.begin(), u8.end());
}

// One field of every visible row of a table, read by the table service.
std::vector<std::string> Columna(const fs::path& carpeta, const char* tabla, const char* campo) {
  TablaDBF t(carpeta, tabla);
  t.Open();
  std::vector<std::string> valores;
  for (t.First(); !t.Eof(); t.Next()) valores.push_back(t.FieldByName(campo).AsString());
  return valores;
}

// The sample school as año_Ωmega/centro_ñΩ.xml, with its base document, and
// a working folder QTEMP_ñΩ not yet made.
class RutasNoAscii : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(carpeta);
    fs::copy_file(TZO_SOURCE_DIR "/data/centro/centro.xml", xml);
    fs::copy_file(TZO_SOURCE_DIR "/data/centro/base.xml", carpeta / "base.xml");
  }
  Salida Transzorvos(const std::vector<std::string>& palabras) {
    return EjecutarTranszorvosDirecto(dir.Ruta(), palabras);
  }

  CarpetaTemporal dir;
  const fs::path carpeta = dir.Ruta() / u8"año_Ωmega";
  const fs::path xml = carpeta / u8"centro_ñΩ.xml";
  const fs::path qtemp = dir.Ruta() / u8"QTEMP_ñΩ";
};

TEST_F(RutasNoAscii, ExportarEImportar) {
  const Salida exportada = Transzorvos({"exportar", Utf8(xml), "--carpeta", Utf8(qtemp)});
  EXPECT_EQ(exportada.estado, 0) << exportada.out << exportada.err;
  EXPECT_EQ(exportada.out, "Creada la carpeta de trabajo " + Utf8(qtemp) + "\n" + kTablasCentro +
                               "Proceso finalizado\n");
  EXPECT_EQ(exportada.err, "");
  EXPECT_EQ(Columna(qtemp, "CURSOACAD", "CURSOANNO"), std::vector<std::string>{"2026"});
  EXPECT_EQ(Columna(qtemp, "PROFT", "ABREV").size(), 40u);

  // The host's timetable, then the result beside the chosen file, named
  // after it.
  const std::string profesor = Columna(qtemp, "PROFT", "ABREV").at(0);
  EscribirSoluc(qtemp, {{profesor, "1", "1", "", "", "", ""}});
  const Salida importada = Transzorvos({"importar", Utf8(xml), "--carpeta", Utf8(qtemp)});
  EXPECT_EQ(importada.estado, 0) << importada.out << importada.err;
  const fs::path resultado = carpeta / u8"ResultadoZorvoscentro_ñΩ.xml";
  EXPECT_EQ(importada.out.substr(0, importada.out.find('\n')), "Resultado: " + Utf8(resultado));
  EXPECT_TRUE(fs::is_regular_file(resultado));
  EXPECT_NE(LeerFichero(resultado).find("<BLOQUE_DATOS"), std::string::npos);
}

TEST_F(RutasNoAscii, MostrarYFicheroQueNoExiste) {
  EscribirSoluc(carpeta, {{"AB", "1", "2", "A1", "G1", "MA", ""}});
  const fs::path tabla = carpeta / u8"horario_ñΩ.DBF";
  fs::rename(carpeta / "SOLUC.DBF", tabla);
  const Salida s = Transzorvos({"mostrar", Utf8(tabla)});
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_EQ(s.out.substr(0, s.out.find('\n')), "horario_ñΩ.DBF: 7 campos, 1 filas");
  EXPECT_EQ(s.err, "");

  // A missing file of such a name is reported as missing, and nothing is
  // made; the one beside it, whose name differs in that character only, is
  // not taken for it.
  for (const std::vector<std::string>& palabras :
       {std::vector<std::string>{"mostrar", Utf8(carpeta / u8"horario_ñΨ.DBF")},
        std::vector<std::string>{"exportar", Utf8(carpeta / u8"centro_ñΨ.xml"), "--carpeta",
                                 Utf8(qtemp)}}) {
    const Salida falta = Transzorvos(palabras);
    EXPECT_EQ(falta.estado, 1) << palabras[1];
    EXPECT_EQ(falta.out, "No existe archivo\n");
  }
  EXPECT_FALSE(fs::exists(qtemp));
}

// Messages with accents on a Windows console: the text the console shows,
// read back from its screen buffer, must hold the characters themselves.
TEST(Consola, MensajesConAcentos) {
#ifndef _WIN32
  GTEST_SKIP() << "solo la consola de Windows tiene su propia página de códigos";
#endif
  CarpetaTemporal dir;
  const fs::path carpeta = dir.Ruta() / u8"año_Ωmega";
  fs::create_directory(carpeta);
  const fs::path xml = carpeta / u8"centro_ñΩ.xml";
  fs::copy_file(TZO_SOURCE_DIR "/data/centro/centro.xml", xml);
  const fs::path qtemp = dir.Ruta() / u8"QTEMP_ñΩ";

  struct Caso {
    const char* nombre;
    std::vector<std::string> palabras;
    int estado;
    std::vector<std::string> lineas;  // each must be a whole row of the console
  };
  const Caso casos[] = {
      {"importar sin CURSOACAD, por la salida estándar",
       {"importar", Utf8(xml), "--carpeta", Utf8(carpeta)},
       3,
       {"ATENCIÓN Falta un Fich. Temporal. Transforme de nuevo de Odrana a Zorvan"}},
      {"opción desconocida, por la salida de errores",
       {"exportar", "--opción_Ω"},
       64,
       {"transzorvos: opción desconocida para exportar: --opción_Ω"}},
      {"exportar a una carpeta nueva, con su ruta",
       {"exportar", Utf8(xml), "--carpeta", Utf8(qtemp)},
       0,
       {"Creada la carpeta de trabajo " + Utf8(qtemp), "PROFT.DBF: 40 filas",
        "Proceso finalizado"}},
      // No flush of its own: what it holds is written as the program ends.
      {"mostrar una tabla de la carpeta nueva",
       {"mostrar", Utf8(qtemp / "AULAT.DBF")},
       0,
       {"AULAT.DBF: 5 campos, 30 filas"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecucion e;
    if (!EjecutarEnConsola(TZO_TRANSZORVOS, c.palabras, dir.Ruta(), &e))
      GTEST_SKIP() << "no hay consola que leer (¿Wine sin pantalla? pruébese con xvfb-run)";
    EXPECT_EQ(e.estado, c.estado) << e.out;
    const std::string pantalla = "\n" + e.out;
    for (const std::string& linea : c.lineas)
      EXPECT_NE(pantalla.find("\n" + linea + "\n"), std::string::npos)
          << "falta la línea «" << linea << "» en:\n"
          << e.out;
  }
  EXPECT_TRUE(fs::exists(qtemp / "PROFT.DBF"));
}

// The console stream writes what it holds in blocks; a block may end inside
// a character, whose first bytes then wait for the rest.
TEST(Consola, CaracterCortadoEntreDosBloques) {
  const struct {
    std::string_view bytes;
    std::size_t listos;
  } casos[] = {
      {"", 0},
      {"ATENCI", 6},
      {"ATENCI\xC3", 6},            // 'Ó' cut after its first byte
      {"ATENCI\xC3\x93", 8},        // 'Ó' whole
      {"a\xE2\x82", 1},             // '€' cut after two bytes of three
      {"a\xE2\x82\xAC", 4},         // '€' whole
      {"\xF0\x9F\x98", 0},          // a four-byte character cut
      {"\xF0\x9F\x98\x80", 4},      // whole
      {"\x80\x80\x80\x80\x80", 5},  // stray continuation bytes wait for nothing
      {"a\xC3\x93\x93", 4},         // one continuation byte too many
      {"\xCE\xA9\xC3", 2},          // 'Ω' whole, then a cut 'ñ'
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
    EXPECT_EQ(cli::Utf8Completo(c.bytes), c.listos);
  }
}

}  // namespace
}  // namespace transzorvos::prueba
