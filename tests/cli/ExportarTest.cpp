// transzorvos exportar as a user runs it: exit statuses, what reaches stdout
// and stderr, and the tables left in the working folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "cli/Transzorvos.h"
#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"
#include "export/Ayudas.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;

class Exportar : public testing::Test {
 protected:
  Salida Transzorvos(const std::string& argumentos, const std::string& entorno = "") {
    return EjecutarTranszorvos(dir.Ruta(), argumentos, entorno);
  }
  std::string Muestra() const { return Citar(TZO_SOURCE_DIR "/data/centro/centro.xml"); }

  CarpetaTemporal dir;
  const fs::path qtemp = dir / "QTEMP";
};

TEST_F(Exportar, CentroDeEjemplo) {
  const Salida s = Transzorvos("exportar " + Muestra() + " --carpeta " + Citar(qtemp.string()));
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_EQ(s.out, "Creada la carpeta de trabajo " + qtemp.string() + "\n" + kTablasCentro +
                       "Proceso finalizado\n");
  EXPECT_EQ(s.err, "");
  EXPECT_EQ(Filas(qtemp, "CURSOACAD"), (std::vector<Fila>{{"2026", "15/09/2026", "23/06/2027"}}));
  EXPECT_EQ(Columna(qtemp, "PROFT", "ABREV").size(), 40u);

  // Again into the folder that now exists, with the other spelling of the
  // option: the same tables, and no note about the folder.
  std::map<std::string, std::string> antes;
  for (const auto& e : fs::directory_iterator(qtemp))
    antes[e.path().filename().string()] = LeerFichero(e.path());
  const Salida otra = Transzorvos("exportar --carpeta=" + Citar(qtemp.string()) + " " + Muestra());
  EXPECT_EQ(otra.estado, 0) << otra.err;
  EXPECT_EQ(otra.out, std::string(kTablasCentro) + "Proceso finalizado\n");
  for (const auto& [nombre, bytes] : antes) EXPECT_EQ(LeerFichero(qtemp / nombre), bytes) << nombre;
}

TEST_F(Exportar, CarpetaPorDefectoDeWine) {
#ifdef _WIN32
  GTEST_SKIP() << "la carpeta por defecto de Windows es C:\\QTEMP, sin variables de entorno";
#endif
  const fs::path prefijo = dir / "vino";
  const Salida s = Transzorvos("exportar " + Muestra(), "WINEPREFIX=" + Citar(prefijo.string()));
  EXPECT_EQ(s.estado, 0) << s.err;
  EXPECT_TRUE(fs::exists(prefijo / "drive_c" / "QTEMP" / "PROFT.DBF"));

  const fs::path casa = dir / "casa";
  const Salida sinPrefijo =
      Transzorvos("exportar " + Muestra(), "env -u WINEPREFIX HOME=" + Citar(casa.string()));
  EXPECT_EQ(sinPrefijo.estado, 0) << sinPrefijo.err;
  EXPECT_TRUE(fs::exists(casa / ".wine" / "drive_c" / "QTEMP" / "ASIGT.DBF"));
}

TEST_F(Exportar, FicheroQueNoExiste) {
  for (const fs::path& fichero : {dir / "no_esta.xml", dir.Ruta()}) {
    const Salida s =
        Transzorvos("exportar " + Citar(fichero.string()) + " --carpeta " + Citar(qtemp.string()));
    EXPECT_EQ(s.estado, 1) << fichero;
    EXPECT_EQ(s.out, "No existe archivo\n");
    EXPECT_EQ(s.err, "");
    EXPECT_FALSE(fs::exists(qtemp));
  }
}

TEST_F(Exportar, DocumentoMalFormadoNoTocaLasTablas) {
  fs::create_directory(qtemp);
  EscribirFichero(qtemp / "PROFT.DBF", "tabla vieja");
  EscribirFichero(qtemp / "CURSOACAD.MDX", "indice viejo");
  EscribirFichero(dir / "roto.xml", "<?xml version=\"1.0\"?>\n<SERVICIO>\n<BLOQUE_DATOS>\n");
  const Salida s = Transzorvos("exportar " + Citar((dir / "roto.xml").string()) + " --carpeta " +
                               Citar(qtemp.string()));
  EXPECT_EQ(s.estado, 2);
  EXPECT_EQ(s.out, "");
  EXPECT_EQ(s.err.rfind("Error: ", 0), 0u) << s.err;
  EXPECT_NE(s.err.find("roto.xml"), std::string::npos) << s.err;
  EXPECT_EQ(LeerFichero(qtemp / "PROFT.DBF"), "tabla vieja");
  EXPECT_EQ(LeerFichero(qtemp / "CURSOACAD.MDX"), "indice viejo");
}

TEST_F(Exportar, ErrorAMitadMuestraLasTablasHechas) {
  std::string xml = LeerFichero(TZO_SOURCE_DIR "/data/centro/centro.xml");
  const std::string fin = "<dato nombre_dato=\"N_FIN\">605</dato>";
  ASSERT_NE(xml.find(fin), std::string::npos);
  xml.replace(xml.find(fin), fin.size(), "<dato nombre_dato=\"N_FIN\">10:05</dato>");
  EscribirFichero(dir / "centro.xml", xml);
  fs::create_directory(qtemp);
  const Salida s = Transzorvos("exportar " + Citar((dir / "centro.xml").string()) + " --carpeta " +
                               Citar(qtemp.string()));
  EXPECT_EQ(s.estado, 2);
  const std::string tablas = kTablasCentro;
  EXPECT_EQ(s.out, tablas.substr(0, tablas.find("DIASHORAST")));
  EXPECT_EQ(s.err, "Error: '10:05' no es un valor entero válido\n");
}

TEST_F(Exportar, SinCursoAcademico) {
  EscribirFichero(dir / "sin_curso.xml", DocumentoIntercambio({Grupo("MATERIAS", {})}));
  const Salida s = Transzorvos("exportar " + Citar((dir / "sin_curso.xml").string()) +
                               " --carpeta " + Citar(qtemp.string()));
  EXPECT_EQ(s.estado, 2);
  EXPECT_EQ(s.err,
            "Error: El documento de intercambio no contiene el curso académico: ninguno de los "
            "dos primeros grupos de BLOQUE_DATOS tiene al menos dos valores\n");
  EXPECT_TRUE(Filas(qtemp, "CURSOACAD").empty());
  EXPECT_FALSE(fs::exists(qtemp / "ASIGNOMT.DBF"));
}

TEST_F(Exportar, Ayuda) {
  const Salida s = Transzorvos("exportar --help");
  EXPECT_EQ(s.estado, 0);
  EXPECT_EQ(s.out.rfind("Uso: transzorvos exportar FICHERO.xml [--carpeta DIR]", 0), 0u) << s.out;
}

class UsoIncorrecto : public Exportar, public testing::WithParamInterface<const char*> {};

TEST_P(UsoIncorrecto, Sale64) {
  const Salida s = Transzorvos(GetParam());
  EXPECT_EQ(s.estado, 64) << GetParam();
  EXPECT_EQ(s.out, "");
  EXPECT_NE(s.err.find("Uso:"), std::string::npos) << s.err;
  EXPECT_FALSE(fs::exists(qtemp));
}

INSTANTIATE_TEST_SUITE_P(Casos, UsoIncorrecto,
                         testing::Values("exportar", "exportar a.xml b.xml", "exportar --carpeta",
                                         "exportar a.xml --carpeta", "exportar --zzz a.xml",
                                         "exportar a.xml --carpeta x --carpeta y",
                                         "exportar --carpeta= a.xml", "exportar --carpeta x"),
                         [](const auto& info) { return NombreDePrueba(info.param); });

}  // namespace
}  // namespace transzorvos::prueba
