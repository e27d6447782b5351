// The frame of the import run: the tests made first, the base document, the
// result's name and its atomic save, and the six tables left closed however
// the run ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"
#include "import/Importacion.h"
#include "import/TablasPrueba.h"
#include "tables/TablaDBF.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;

const char* const kSeis[] = {"SOLUC", "GRUPOST", "PROFT", "AULAT", "ASIGNOMT", "DIASHORAST"};

constexpr const char* kBaseMinima = "<SERVICIO><BLOQUE_DATOS/></SERVICIO>";

CentroPrueba CentroPequeno() {
  CentroPrueba c;
  c.profesores = {{"AB", "E1", "2020"}};
  c.soluc = {{"AB", "1", "1", "A1", "G1", "MA", ""}};
  c.tramos = {{"11", "T-11", "1", "0800", "0855"}};
  c.aulas = {{"A1", "DEP-A1"}};
  c.grupos = {{"G1", "U1"}};
  c.materias = {{"MA", "MAT-L", "OF-1", "F"}};
  return c;
}

// The six form components are closed and nobody else holds the files: each
// opens for exclusive use again.
void EsperarTablasCerradas(TablasFormulario& tablas, const fs::path& carpeta) {
  for (TablaDBF* t : {&tablas.wwTableSoluc, &tablas.wwTableGrupos, &tablas.wwTableProfesor,
                      &tablas.wwTableAulas, &tablas.wwTableNomAsg, &tablas.wwTableTramos})
    EXPECT_FALSE(t->Active()) << t->TableName;
  for (const char* nombre : kSeis) {
    if (!ExisteTabla(carpeta, nombre)) continue;
    TablaDBF otra(carpeta, nombre, true);
    EXPECT_NO_THROW(otra.Open()) << nombre;
  }
}

TEST(RutaResultado, CarpetaDelFicheroMasResultadoZorvosMasSuNombre) {
  struct Caso {
    fs::path elegido, resultado;
  };
  const Caso casos[] = {
      {"/datos/centro.xml", "/datos/ResultadoZorvoscentro.xml"},
      {"/datos/ResultadoZorvosX.xml", "/datos/ResultadoZorvosResultadoZorvosX.xml"},
      {"/d/sin extensión", "/d/ResultadoZorvossin extensión"},
      {"centro.xml", "ResultadoZorvoscentro.xml"},
  };
  for (const Caso& c : casos) EXPECT_EQ(RutaResultado(c.elegido), c.resultado) << c.elegido;
}

TEST(Importar, SinCursoAcadNoHaceNada) {
  CarpetaTemporal dir;
  CentroPrueba centro = CentroPequeno();
  centro.conCursoAcad = false;
  EscribirCentro(dir.Ruta(), centro);
  EscribirFichero(dir / "base.xml", kBaseMinima);
  // A locked table shows that none of the six is even opened.
  auto bloqueo = std::make_unique<prueba::FicheroBloqueado>(dir / "SOLUC.DBF");

  TablasFormulario tablas(dir.Ruta());
  const ResultadoImportacion r = Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);
  bloqueo.reset();

  EXPECT_TRUE(r.faltaCursoAcad);
  EXPECT_EQ(r.profesores, 0u);
  EXPECT_FALSE(fs::exists(dir / "ResultadoZorvoscentro.xml"));
  EsperarTablasCerradas(tablas, dir.Ruta());
}

TEST(Importar, ElResultadoLlevaLaBaseEnteraYElGrupoNuevoAlFinal) {
  CarpetaTemporal dir;
  EscribirCentro(dir.Ruta(), CentroPequeno());
  // Another root name, layout whitespace, a comment, an accent, an escaped
  // ampersand and a timetable group already there: all must survive.
  const std::string base =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<RAIZ version=\"2\">\n"
      "  <CABECERA><dato nombre_dato=\"CENTRO\">IES Peñalara &amp; Co</dato></CABECERA>\n"
      "  <!-- exportado -->\n"
      "  <BLOQUE_DATOS>\n"
      "    <grupo_datos seq=\"CURSO\" registros=\"1\"><dato nombre_dato=\"C\">2024</dato>"
      "</grupo_datos>\n"
      "    <grupo_datos seq=\"HORARIOS_REGULARES\" registros=\"1\">\n"
      "      <grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_1\" registros=\"0\">"
      "<dato nombre_dato=\"X_EMPLEADO\">VIEJO</dato></grupo_datos>\n"
      "    </grupo_datos>\n"
      "  </BLOQUE_DATOS>\n"
      "</RAIZ>\n";
  EscribirFichero(dir / "base.xml", base);

  TablasFormulario tablas(dir.Ruta());
  const ResultadoImportacion r = Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);

  std::string nuevo;
  for (const char* l :
       {"grupo_datos seq=HORARIOS_REGULARES registros=1",
        " grupo_datos seq=HORARIO_REGULAR_PROFESOR_1 registros=1",
        "  dato nombre_dato=X_EMPLEADO [E1]", "  dato nombre_dato=F_TOMAPOS [2020]",
        "  grupo_datos seq=ACTIVIDAD_1", "   dato nombre_dato=N_DIASEMANA [1]",
        "   dato nombre_dato=X_TRAMO [T-11]", "   dato nombre_dato=X_DEPENDENCIA [DEP-A1]",
        "   dato nombre_dato=X_UNIDAD [U1]", "   dato nombre_dato=X_OFERTAMATRIG [OF-1]",
        "   dato nombre_dato=X_MATERIAOMG [MAT-L]", "   dato nombre_dato=F_INICIO [01/09/2024]",
        "   dato nombre_dato=F_FIN [30/06/2025]", "   dato nombre_dato=N_HORINI [0800]",
        "   dato nombre_dato=N_HORFIN [0855]", "   dato nombre_dato=X_ACTIVIDAD [1]"})
    nuevo += std::string(l) + "\n";
  EXPECT_EQ(LeerFichero(dir / "base.xml"), base);  // never written
  const std::string texto = LeerFichero(r.fichero);
  EXPECT_NE(texto.find("<!-- exportado -->"), std::string::npos);
  EXPECT_NE(texto.find("IES Peñalara &amp; Co"), std::string::npos);

  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_EQ(LeerXML("--nuevo", r.fichero), nuevo);

  // BLOQUE_DATOS is the root's last child, so the whole result reads as the
  // base followed by the new group two levels down.
  std::string sangrado;
  for (std::size_t i = 0, j; i < nuevo.size(); i = j + 1) {
    j = nuevo.find('\n', i);
    sangrado += "  " + nuevo.substr(i, j - i + 1);
  }
  EXPECT_EQ(LeerXML("--todo", r.fichero), LeerXML("--todo", dir / "base.xml") + sangrado);
}

TEST(Importar, ElegidoResultadoZorvosXYRepetirReemplazaElResultado) {
  CarpetaTemporal dir;
  CentroPrueba centro = CentroPequeno();
  EscribirCentro(dir.Ruta(), centro);
  EscribirFichero(dir / "base.xml", kBaseMinima);
  const fs::path elegido = dir / "ResultadoZorvosX.xml";
  EscribirFichero(elegido, "cualquier cosa: nunca se abre");

  TablasFormulario tablas(dir.Ruta());
  ResultadoImportacion r = Importar(elegido, dir / "base.xml", dir.Ruta(), tablas);
  EXPECT_EQ(r.fichero, dir / "ResultadoZorvosResultadoZorvosX.xml");
  EXPECT_EQ(r.actividades, 1u);

  centro.soluc.push_back({"AB", "1", "1", "A1", "G1", "MA", "GUAR"});
  EscribirSoluc(dir.Ruta(), centro.soluc);
  r = Importar(elegido, dir / "base.xml", dir.Ruta(), tablas);
  EXPECT_EQ(r.actividades, 2u);
  EXPECT_EQ(LeerFichero(elegido), "cualquier cosa: nunca se abre");

  // Only the chosen file, its result and the inputs: no temporary left over.
  std::vector<std::string> xml;
  for (const auto& e : fs::directory_iterator(dir.Ruta()))
    if (e.path().extension() != ".DBF") xml.push_back(e.path().filename().string());
  std::sort(xml.begin(), xml.end());
  EXPECT_EQ(xml, (std::vector<std::string>{"ResultadoZorvosResultadoZorvosX.xml",
                                           "ResultadoZorvosX.xml", "base.xml"}));

  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_NE(LeerXML("--nuevo", r.fichero).find("seq=ACTIVIDAD_2"), std::string::npos);
}

// Every way the run can end with an error: a clear message naming what is
// wrong, no result written (an earlier one left intact), the tables closed.
struct CasoFallo {
  const char* nombre;
  std::function<void(const fs::path& carpeta)> preparar;  // after a good fixture
  std::string enMensaje;                                  // a text the message must name
  std::string tablaBloqueada = "";
};

const CasoFallo kFallos[] = {
    {"BaseQueNoExiste", [](const fs::path& d) { fs::remove(d / "base.xml"); }, "base.xml"},
    {"BaseVacia", [](const fs::path& d) { EscribirFichero(d / "base.xml", ""); }, "base.xml"},
    {"BaseMalFormada",
     [](const fs::path& d) {
       EscribirFichero(d / "base.xml", "<SERVICIO><BLOQUE_DATOS></SERVICIO>");
     },
     "base.xml"},
    {"BaseSoloDeclaracion",
     [](const fs::path& d) { EscribirFichero(d / "base.xml", "<?xml version=\"1.0\"?>\n"); },
     "base.xml"},
    {"BaseSinBloqueDatos",
     [](const fs::path& d) { EscribirFichero(d / "base.xml", "<SERVICIO><OTRO/></SERVICIO>"); },
     "BLOQUE_DATOS"},
    {"BaseConBloqueDatosMasAbajo",
     [](const fs::path& d) {
       EscribirFichero(d / "base.xml", "<SERVICIO><X><BLOQUE_DATOS/></X></SERVICIO>");
     },
     "BLOQUE_DATOS"},
    {"BaseEsUnaCarpeta",
     [](const fs::path& d) {
       fs::remove(d / "base.xml");
       fs::create_directory(d / "base.xml");
     },
     "base.xml"},
    {"SolucBloqueada", {}, "SOLUC", "SOLUC.DBF"},
    {"GrupostBloqueada", {}, "GRUPOST", "GRUPOST.DBF"},
    {"ProftBloqueada", {}, "PROFT", "PROFT.DBF"},
    {"AulatBloqueada", {}, "AULAT", "AULAT.DBF"},
    {"AsignomtBloqueada", {}, "ASIGNOMT", "ASIGNOMT.DBF"},
    {"DiashorastBloqueada", {}, "DIASHORAST", "DIASHORAST.DBF"},
    {"FaltaAulat", [](const fs::path& d) { fs::remove(d / "AULAT.DBF"); }, "AULAT"},
    {"SolucSinCampoTarea",
     [](const fs::path& d) {
       TablaDBF t(d, "SOLUC");
       t.FieldDefs.Add("PROF", TipoCampo::Texto, 4);
       t.FieldDefs.Add("DIA", TipoCampo::Entero);
       t.FieldDefs.Add("HORA", TipoCampo::Entero);
       t.FieldDefs.Add("AULA", TipoCampo::Texto, 4);
       t.FieldDefs.Add("CODGRUPO", TipoCampo::Texto, 4);
       t.FieldDefs.Add("ASIG", TipoCampo::Texto, 4);
       t.CreateTable();
       t.Open();
       t.Append();
       t.FieldByName("PROF").SetAsString("AB");
       t.FieldByName("DIA").SetAsInteger(1);
       t.FieldByName("HORA").SetAsInteger(1);
       t.Post();
     },
     "TAREA"},
};

void PrintTo(const CasoFallo& caso, std::ostream* os) {
  *os << caso.nombre << ": el mensaje nombra " << caso.enMensaje;
}

class ImportarFalla : public testing::TestWithParam<CasoFallo> {};

TEST_P(ImportarFalla, MensajeClaroSinResultadoYTablasCerradas) {
  const CasoFallo& caso = GetParam();
  CarpetaTemporal dir;
  EscribirCentro(dir.Ruta(), CentroPequeno());
  EscribirFichero(dir / "base.xml", kBaseMinima);
  EscribirFichero(dir / "ResultadoZorvoscentro.xml", "resultado anterior");
  if (caso.preparar) caso.preparar(dir.Ruta());
  std::size_t ficheros = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Ruta())) ++ficheros;
  std::unique_ptr<prueba::FicheroBloqueado> bloqueo;
  if (!caso.tablaBloqueada.empty()) {
    bloqueo = std::make_unique<prueba::FicheroBloqueado>(dir / caso.tablaBloqueada);
  }

  TablasFormulario tablas(dir.Ruta());
  std::string mensaje;
  try {
    Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);
    ADD_FAILURE() << "la importación no falló";
  } catch (const std::runtime_error& e) {
    mensaje = e.what();
  }
  bloqueo.reset();

  EXPECT_NE(mensaje.find(caso.enMensaje), std::string::npos) << mensaje;
  EXPECT_EQ(LeerFichero(dir / "ResultadoZorvoscentro.xml"), "resultado anterior");
  EsperarTablasCerradas(tablas, dir.Ruta());
  // Nothing appeared beside the inputs (no temporary file either).
  std::size_t despues = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Ruta())) ++despues;
  EXPECT_EQ(despues, ficheros);
}

INSTANTIATE_TEST_SUITE_P(Casos, ImportarFalla, testing::ValuesIn(kFallos), PorNombre());

// A save that cannot happen (the chosen file's folder is gone): the message
// names the result, and the tables were closed before.
TEST(Importar, GuardarImposibleAvisaYDejaTablasCerradas) {
  CarpetaTemporal dir;
  EscribirCentro(dir.Ruta(), CentroPequeno());
  EscribirFichero(dir / "base.xml", kBaseMinima);
  TablasFormulario tablas(dir.Ruta());
  try {
    Importar(dir / "no-hay" / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);
    ADD_FAILURE() << "la importación no falló";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("ResultadoZorvoscentro.xml"), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(fs::exists(dir / "no-hay"));
  EsperarTablasCerradas(tablas, dir.Ruta());
}

}  // namespace
}  // namespace transzorvos::prueba
