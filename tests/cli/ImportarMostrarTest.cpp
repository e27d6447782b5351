// transzorvos importar and mostrar as a user runs them: exit statuses, what
// reaches stdout and stderr, and the files left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cli/Transzorvos.h"
#include "comun/Utilidades.h"
#include "import/TablasPrueba.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;

Salida Transzorvos(const fs::path& dir, const std::string& argumentos) {
  return EjecutarTranszorvos(dir, argumentos);
}

CentroPrueba Centro() {
  CentroPrueba c;
  c.profesores = {{"AB", "E1", "2020"}, {"CD", "E2", "2021"}};
  c.tramos = {{"11", "T-11", "1", "0800", "0855"}};
  c.aulas = {{"A1", "DEP-A1"}};
  c.grupos = {{"G1", "U1"}};
  c.materias = {{"MA", "MAT-L", "OF-1", "F"}};
  // Every lookup misses once, twice for the room: one warning per code.
  c.soluc = {{"AB", "1", "1", "Z\xE9", "G1", "MA", ""},
             {"AB", "4", "9", "A1", "X1", "QQ", ""},
             {"CD", "1", "1", "Z\xE9", "G1", "MA", ""},
             {"CD", "0", "0", "", "", "", ""}};
  return c;
}

constexpr const char* kBase = "<SERVICIO><BLOQUE_DATOS/></SERVICIO>";

class Importar : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir / "QTEMP");
    EscribirCentro(dir / "QTEMP", Centro());
    EscribirFichero(dir / "centro.xml", "<SERVICIO/>");
  }
  CarpetaTemporal dir;
};

TEST_F(Importar, TerminaBienConElResumenYUnAvisoPorCodigoSinPareja) {
  EscribirFichero(dir / "base.xml", kBase);
  const Salida s = Transzorvos(dir.Ruta(), "importar centro.xml --carpeta QTEMP");
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_EQ(s.out,
            "Resultado: ResultadoZorvoscentro.xml\nProfesores: 2\nActividades: 3\n"
            "Proceso finalizado\n");
  EXPECT_EQ(s.err,
            "Aviso: el aula 'Zé' no está en AULAT\n"
            "Aviso: el tramo '49' no está en DIASHORAST\n"
            "Aviso: el grupo 'X1' no está en GRUPOST\n"
            "Aviso: la materia 'QQ' no está en ASIGNOMT\n");
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_NE(LeerXML("--nuevo", dir / "ResultadoZorvoscentro.xml")
                .find("dato nombre_dato=X_DEPENDENCIA [Zé]"),
            std::string::npos);
}

TEST_F(Importar, BaseElegidaConBaseYRutasAbsolutas) {
  fs::create_directory(dir / "otra");
  EscribirFichero(dir / "otra" / "mi base.xml", kBase);
  const Salida s =
      Transzorvos("/", "importar " + Citar((dir / "centro.xml").string()) + " --carpeta " +
                           Citar((dir / "QTEMP").string()) + " --base " +
                           Citar((dir / "otra" / "mi base.xml").string()));
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_EQ(s.out.substr(0, s.out.find('\n')),
            "Resultado: " + (dir / "ResultadoZorvoscentro.xml").string());
  EXPECT_TRUE(fs::exists(dir / "ResultadoZorvoscentro.xml"));
}

TEST_F(Importar, EstadosDeSalida) {
  struct Caso {
    const char* nombre;
    std::string argumentos;
    int estado;
    std::string out;      // exact
    std::string enError;  // a text stderr must hold
  };
  const Caso casos[] = {
      {"no existe el fichero", "importar falta.xml --carpeta QTEMP", 1, "No existe archivo\n", ""},
      {"el fichero es una carpeta", "importar QTEMP --carpeta QTEMP", 1, "No existe archivo\n", ""},
      {"falta la base junto al fichero", "importar centro.xml --carpeta QTEMP", 2, "", "base.xml"},
      {"falta CURSOACAD", "importar centro.xml --carpeta .", 3,
       "ATENCIÓN Falta un Fich. Temporal. Transforme de nuevo de Odrana a Zorvan\n", ""},
      {"sin fichero", "importar --carpeta QTEMP", 64, "", "Uso:"},
      {"opción desconocida", "importar centro.xml --nada", 64, "", "--nada"},
      {"--base sin valor", "importar centro.xml --base", 64, "", "--base"},
      {"dos ficheros", "importar centro.xml otro.xml", 64, "", "otro.xml"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const Salida s = Transzorvos(dir.Ruta(), c.argumentos);
    EXPECT_EQ(s.estado, c.estado) << s.err;
    EXPECT_EQ(s.out, c.out);
    EXPECT_NE(s.err.find(c.enError), std::string::npos) << s.err;
    EXPECT_FALSE(fs::exists(dir / "ResultadoZorvoscentro.xml"));
  }
}

TEST_F(Importar, TablaEnUsoPorOtroProgramaEsUnError) {
  EscribirFichero(dir / "base.xml", kBase);
  auto bloqueo = std::make_unique<FicheroBloqueado>(dir / "QTEMP" / "AULAT.DBF");
  const Salida s = Transzorvos(dir.Ruta(), "importar centro.xml --carpeta QTEMP");
  bloqueo.reset();
  EXPECT_EQ(s.estado, 2);
  EXPECT_EQ(s.out, "");
  EXPECT_NE(s.err.find("AULAT"), std::string::npos) << s.err;
  EXPECT_FALSE(fs::exists(dir / "ResultadoZorvoscentro.xml"));
}

// A table another dBase writer made: accents from Windows-1252, a deleted
// row hidden, columns aligned by characters.
TEST(Mostrar, CamposYFilasAlineados) {
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  CarpetaTemporal dir;
  EscribirFichero(dir / "hacer.py",
                  "import dbf\n"
                  "t = dbf.Table('T.dbf', 'NOMBRE C(10); N N(3,0); L L', dbf_type='db3', "
                  "codepage='cp1252')\n"
                  "t.open(dbf.READ_WRITE)\n"
                  "t.append(('Pe\\xf1as', 7, True))\n"
                  "t.append(('borrada', 1, False))\n"
                  "t.append(('Ana', 123, False))\n"
                  "dbf.delete(t[1])\n"
                  "t.close()\n");
  ASSERT_EQ(Ejecutar("cd " + Comillas(dir.Ruta().string()) + " && " + kPython + " hacer.py"), 0);

  const Salida s = Transzorvos(dir.Ruta(), "mostrar T.dbf");
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_EQ(s.out,
            "T.dbf: 3 campos, 2 filas\n"
            "\n"
            "Campo   Tipo  Ancho  Dec\n"
            "NOMBRE  C        10    0\n"
            "N       N         3    0\n"
            "L       L         1    0\n"
            "\n"
            "NOMBRE    N  L\n"
            "------  ---  -\n"
            "Peñas     7  T\n"
            "Ana     123  F\n");
}

TEST(Mostrar, EstadosDeSalida) {
  CarpetaTemporal dir;
  EscribirFichero(dir / "roto.DBF", "no es una tabla");
  Salida s = Transzorvos(dir.Ruta(), "mostrar falta.DBF");
  EXPECT_EQ(s.estado, 1);
  EXPECT_EQ(s.out, "No existe archivo\n");
  s = Transzorvos(dir.Ruta(), "mostrar roto.DBF");
  EXPECT_EQ(s.estado, 2);
  EXPECT_NE(s.err.find("roto"), std::string::npos) << s.err;
  s = Transzorvos(dir.Ruta(), "mostrar");
  EXPECT_EQ(s.estado, 64);
}

}  // namespace
}  // namespace transzorvos::prueba
