// The main form over a scripted platform, with the real export and import
// writing real tables and documents in temporary folders.
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/PlataformaGuionada.h"
#include "app/Textos.h"
#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "tables/TablaDBF.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;
using Lista = std::vector<std::string>;

constexpr const char* kCentro = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO>
  <BLOQUE_DATOS>
    <grupo_datos seq="DATOS_CENTRO" registros="1">
      <dato nombre_dato="C_ANNO">2023</dato>
      <dato nombre_dato="F_INICIO">01/09/2023</dato>
      <dato nombre_dato="F_FIN">30/06/2024</dato>
    </grupo_datos>
    <grupo_datos seq="EMPLEADOS" registros="1">
      <grupo_datos>
        <dato nombre_dato="X_EMPLEADO">E0042</dato>
        <dato nombre_dato="F_TOMAPOS">01/09/2020</dato>
        <dato nombre_dato="DEPARTAMENTO">Lengua</dato>
        <dato nombre_dato="APELLIDO1">García</dato>
        <dato nombre_dato="APELLIDO2">López</dato>
        <dato nombre_dato="NOMBRE">Ana</dato>
      </grupo_datos>
    </grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>
)";

constexpr const char* kBase =
    R"(<?xml version="1.0" encoding="UTF-8"?><SERVICIO><BLOQUE_DATOS>)"
    R"(<grupo_datos seq="PREVIO" registros="0"/></BLOQUE_DATOS></SERVICIO>)";

const char* const kTablasExportadas[] = {"CURSOACAD", "ASIGNOMT", "PROFT",     "AULAT",
                                         "GRUPOST",   "ASIGT",    "DIASHORAST"};

constexpr std::uint32_t kVentanaAnfitrion = 0x1A2B;

class FormularioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inicial_ = fs::current_path();
    p.carpetaTrabajo = qtemp.Ruta();
    p.carpetaEjecutable = exe.Ruta();
    p.ventanas = {kVentanaAnfitrion};
  }
  void TearDown() override { fs::current_path(inicial_); }

  fs::path Centro() const { return datos / "centro.xml"; }
  fs::path EscribirCentro() {
    EscribirFichero(Centro(), kCentro);
    return Centro();
  }
  void EscribirBase() { EscribirFichero(datos / "base.xml", kBase); }

  // The tables an import reads: the export's, plus an empty SOLUC of the host.
  void PrepararTablasImportacion() {
    EscribirCentro();
    TablasFormulario tablas(qtemp.Ruta());
    Exportar(*CargarDocumento(Centro()), qtemp.Ruta(), tablas);
    CrearSoluc();
  }
  void CrearSoluc() {
    TablaDBF soluc(qtemp.Ruta(), "SOLUC.DBF");
    soluc.FieldDefs.Add("PROF", TipoCampo::Texto, 4);
    soluc.FieldDefs.Add("DIA", TipoCampo::Entero);
    soluc.FieldDefs.Add("HORA", TipoCampo::Entero);
    soluc.FieldDefs.Add("AULA", TipoCampo::Texto, 4);
    soluc.FieldDefs.Add("CODGRUPO", TipoCampo::Texto, 4);
    soluc.FieldDefs.Add("ASIG", TipoCampo::Texto, 4);
    soluc.FieldDefs.Add("TAREA", TipoCampo::Texto, 10);
    soluc.CreateTable();
  }

  // Constructs the form as start-up does, with these arguments.
  TMForm& Crear(Lista argumentos, bool* creado = nullptr) {
    p.argumentos = std::move(argumentos);
    form = std::make_unique<TMForm>(p);
    const bool ok = form->Crear();
    if (creado) *creado = ok;
    return *form;
  }

  int TablasEnTrabajo() const {
    int n = 0;
    for (const char* t : kTablasExportadas) n += ExisteTabla(qtemp.Ruta(), t) ? 1 : 0;
    return n;
  }

  CarpetaTemporal qtemp, datos, exe;
  PlataformaGuionada p;
  std::unique_ptr<TMForm> form;

 private:
  fs::path inicial_;
};

// ---- The result code on every path of both runs ---------------------------

enum class Trabajo { Exportar, Importar };
enum class Situacion {
  Cancelado,       // dialog cancelled before any file was chosen
  NoExiste,        // a typed name of a file that does not exist
  NoEsXml,         // export: the file is not an XML document
  Completo,        // everything needed is there
  FaltaCursoAcad,  // import: CURSOACAD.DBF missing
  Error,           // export: no working folder; import: no base.xml
};

struct CasoResultado {
  const char* nombre;
  Trabajo trabajo;
  Situacion situacion;
  bool anfitrion;
  int codigo;  // kSinCambio: the value before the run
  bool cierra;
  Lista mensajes;
  const char* error;  // part of the error box's text; nullptr: no error box
  Lista cursor;
};

constexpr int kSinCambio = 5;
const Lista kEspera = {"espera", "normal"};
const std::string kNoExiste(kNoExisteArchivo), kFinalizado(kProcesoFinalizado),
    kFalta(kFaltaCursoAcad);

void PrintTo(const CasoResultado& c, std::ostream* os) {
  *os << c.nombre << ": código ";
  if (c.codigo == kSinCambio)
    *os << "sin cambio";
  else
    *os << c.codigo;
  *os << (c.cierra ? ", cierra" : ", sigue abierto");
}

class ResultadoTest : public FormularioTest, public ::testing::WithParamInterface<CasoResultado> {};

TEST_P(ResultadoTest, CodigoMensajesCursorYCierre) {
  const CasoResultado& c = GetParam();
  switch (c.situacion) {
    case Situacion::Cancelado:
      p.respuestas = {std::nullopt};
      break;
    case Situacion::NoExiste:
      p.respuestas = {datos / "falta.xml"};
      break;
    case Situacion::NoEsXml:
      EscribirFichero(Centro(), "esto no es XML");
      p.respuestas = {Centro()};
      break;
    case Situacion::Completo:
      if (c.trabajo == Trabajo::Importar) {
        PrepararTablasImportacion();
        EscribirBase();
      }
      p.respuestas = {EscribirCentro()};
      break;
    case Situacion::FaltaCursoAcad:
      p.respuestas = {EscribirCentro()};
      break;
    case Situacion::Error:
      if (c.trabajo == Trabajo::Exportar)
        p.carpetaTrabajo = qtemp / "no_existe";
      else
        PrepararTablasImportacion();  // but no base.xml
      p.respuestas = {EscribirCentro()};
      break;
  }
  // Host mode with a job word that runs nothing, so the run under test is the
  // button's, and a code set earlier shows whether the run changed it.
  TMForm& f = Crear(c.anfitrion ? Lista{"listar", "1A2B"} : Lista{});
  ASSERT_EQ(f.NumParametros, c.anfitrion ? 2 : 0);
  f.ResultadoProceso = kSinCambio;
  p.registro.clear();

  f.Atender(c.trabajo == Trabajo::Exportar ? &TMForm::BExportarClick : &TMForm::BImportarClick);

  EXPECT_EQ(f.ResultadoProceso, c.codigo == kSinCambio ? kSinCambio : c.codigo);
  EXPECT_EQ(f.Cerrado(), c.cierra);
  EXPECT_EQ(p.Entradas("mensaje:"), c.mensajes);
  const Lista errores = p.Entradas("error:");
  if (c.error) {
    ASSERT_EQ(errores.size(), 1u);
    EXPECT_NE(errores[0].find(c.error), std::string::npos) << errores[0];
  } else {
    EXPECT_EQ(errores, Lista{});
  }
  EXPECT_EQ(p.Entradas("cursor:"), c.cursor);
  EXPECT_EQ(p.Entradas("dialogo").size(), 1u);

  if (c.trabajo == Trabajo::Importar) {
    const bool guardado = fs::exists(RutaResultado(Centro()));
    EXPECT_EQ(guardado, c.situacion == Situacion::Completo);
    if (guardado) {
      const std::string doc = LeerFichero(RutaResultado(Centro()));
      EXPECT_NE(doc.find("PREVIO"), std::string::npos);
      EXPECT_NE(doc.find("HORARIOS_REGULARES"), std::string::npos);
      EXPECT_NE(doc.find("E0042"), std::string::npos);
    }
  } else {
    EXPECT_EQ(TablasEnTrabajo(), c.situacion == Situacion::Completo ? 7 : 0);
  }

  // The user closes what stayed open; the host reads the code only in host mode.
  f.Cerrar();
  const Lista ini = p.Entradas("ini:");
  if (c.anfitrion)
    EXPECT_EQ(ini, Lista{std::to_string(f.ResultadoProceso)});
  else
    EXPECT_TRUE(ini.empty());
  EXPECT_EQ(p.Entradas("cerrarventana").size(), 1u);
}

using T = Trabajo;
using S = Situacion;
// clang-format off
const CasoResultado kCasosResultado[] = {
  // nombre                              trabajo      situación          anfitrión código  cierra mensajes       error        cursor
  {"ExportarCanceladoAnfitrion",        T::Exportar, S::Cancelado,      true,  -1,         true,  {kNoExiste},   nullptr,     {}},
  {"ExportarCanceladoLibre",            T::Exportar, S::Cancelado,      false, kSinCambio, false, {kNoExiste},   nullptr,     {}},
  {"ExportarNoExisteAnfitrion",         T::Exportar, S::NoExiste,       true,  -1,         true,  {kNoExiste},   nullptr,     {}},
  {"ExportarNoExisteLibre",             T::Exportar, S::NoExiste,       false, kSinCambio, false, {kNoExiste},   nullptr,     {}},
  {"ExportarNoEsXmlAnfitrion",          T::Exportar, S::NoEsXml,        true,  kSinCambio, false, {},            "centro.xml", {}},
  {"ExportarCompletoAnfitrion",         T::Exportar, S::Completo,       true,  1,          true,  {kFinalizado}, nullptr,     kEspera},
  {"ExportarCompletoLibre",             T::Exportar, S::Completo,       false, 1,          false, {kFinalizado}, nullptr,     kEspera},
  {"ExportarErrorAnfitrion",            T::Exportar, S::Error,          true,  kSinCambio, false, {},            "CURSOACAD", kEspera},
  {"ExportarErrorLibre",                T::Exportar, S::Error,          false, kSinCambio, false, {},            "CURSOACAD", kEspera},
  {"ImportarCanceladoAnfitrion",        T::Importar, S::Cancelado,      true,  0,          true,  {kNoExiste},   nullptr,     {}},
  {"ImportarCanceladoLibre",            T::Importar, S::Cancelado,      false, kSinCambio, false, {kNoExiste},   nullptr,     {}},
  {"ImportarNoExisteAnfitrion",         T::Importar, S::NoExiste,       true,  0,          true,  {kNoExiste},   nullptr,     {}},
  {"ImportarFaltaCursoAcadAnfitrion",   T::Importar, S::FaltaCursoAcad, true,  kSinCambio, false, {kFalta},      nullptr,     {}},
  {"ImportarFaltaCursoAcadLibre",       T::Importar, S::FaltaCursoAcad, false, kSinCambio, false, {kFalta},      nullptr,     {}},
  {"ImportarCompletoAnfitrion",         T::Importar, S::Completo,       true,  1,          true,  {kFinalizado}, nullptr,     kEspera},
  {"ImportarCompletoLibre",             T::Importar, S::Completo,       false, 1,          false, {kFinalizado}, nullptr,     kEspera},
  {"ImportarErrorAnfitrion",            T::Importar, S::Error,          true,  kSinCambio, false, {},            "base.xml",  kEspera},
  {"ImportarErrorLibre",                T::Importar, S::Error,          false, kSinCambio, false, {},            "base.xml",  kEspera},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Tabla, ResultadoTest, ::testing::ValuesIn(kCasosResultado), PorNombre());

// ---- The host's job at show time ------------------------------------------

TEST_F(FormularioTest, ExportacionDelAnfitrionDeUnaVezEnSuOrden) {
  p.respuestas = {EscribirCentro()};
  TMForm& f = Crear({"EXPORTAR", "1A2B"});
  f.Atender(&TMForm::FormShow);
  const Lista esperado = {"acoplar:" + std::to_string(kVentanaAnfitrion),
                          "sinborde",
                          "dialogo",
                          "cursor:espera",
                          "cursor:normal",
                          "mensaje:" + kFinalizado,
                          "ini:1",
                          "cerrarventana"};
  EXPECT_EQ(p.registro, esperado);
  ASSERT_EQ(p.escrituras.size(), 1u);
  EXPECT_EQ(p.escrituras[0].fichero, exe / "Zorvan.ini");
  EXPECT_EQ(p.escrituras[0].seccion, "Transformadores");
  EXPECT_EQ(p.escrituras[0].clave, "Transformado");
  EXPECT_EQ(TablasEnTrabajo(), 7);
}

struct CasoPalabra {
  const char* palabra;
  int dialogos;  // 1 when a job ran
  int codigo;    // with the dialog cancelled
  bool cierra;
};

void PrintTo(const CasoPalabra& c, std::ostream* os) {
  *os << TextoVisible(c.palabra) << ": diálogos " << c.dialogos << ", código " << c.codigo
      << (c.cierra ? ", cierra" : ", sigue abierto");
}

// The word's name, with its blanks spelt out: " exportar" and "exportar "
// differ only there.
std::string NombrePalabra(const ::testing::TestParamInfo<CasoPalabra>& info) {
  std::string texto;
  for (const char c : std::string_view(info.param.palabra)) {
    if (c == ' ')
      texto += " blanco ";
    else
      texto += c;
  }
  return NombreDePrueba(texto);
}

// The arguments joined; "ninguno" when there are none.
std::string NombreArgumentos(const ::testing::TestParamInfo<Lista>& info) {
  std::string texto;
  for (const std::string& a : info.param) texto += a + " ";
  return info.param.empty() ? "ninguno" : NombreDePrueba(texto);
}

class PalabraTest : public FormularioTest, public ::testing::WithParamInterface<CasoPalabra> {};

TEST_P(PalabraTest, SoloLetrasAsciiSinDistinguirMayusculas) {
  const CasoPalabra& c = GetParam();
  TMForm& f = Crear({c.palabra, "1A2B"});
  f.Atender(&TMForm::FormShow);
  EXPECT_EQ(static_cast<int>(p.Entradas("dialogo").size()), c.dialogos) << c.palabra;
  EXPECT_EQ(f.ResultadoProceso, c.codigo) << c.palabra;
  EXPECT_EQ(f.Cerrado(), c.cierra) << c.palabra;
  f.Cerrar();
  EXPECT_EQ(p.Entradas("ini:"), Lista{std::to_string(c.codigo)}) << c.palabra;
}

INSTANTIATE_TEST_SUITE_P(
    Palabras, PalabraTest,
    ::testing::Values(CasoPalabra{"exportar", 1, -1, true}, CasoPalabra{"EXPORTAR", 1, -1, true},
                      CasoPalabra{"eXpOrTaR", 1, -1, true}, CasoPalabra{"importar", 1, 0, true},
                      CasoPalabra{"Importar", 1, 0, true}, CasoPalabra{" exportar", 0, 0, false},
                      CasoPalabra{"exportar ", 0, 0, false},
                      CasoPalabra{"EXPORTAR\xC3\x89", 0, 0, false},
                      CasoPalabra{"listar", 0, 0, false}, CasoPalabra{"", 0, 0, false}),
    NombrePalabra);

class ArgumentosIgnoradosTest : public FormularioTest,
                                public ::testing::WithParamInterface<Lista> {};

TEST_P(ArgumentosIgnoradosTest, ComoSinArgumentos) {
  p.respuestas = {EscribirCentro()};
  TMForm& f = Crear(GetParam());
  f.Atender(&TMForm::FormShow);
  EXPECT_EQ(f.NumParametros, 0);
  EXPECT_EQ(f.ResultadoProceso, 0);
  EXPECT_TRUE(p.registro.empty());  // no docking, no job
  f.Cerrar();
  EXPECT_EQ(p.registro, Lista{"cerrarventana"});
}

INSTANTIATE_TEST_SUITE_P(Cuentas, ArgumentosIgnoradosTest,
                         ::testing::Values(Lista{}, Lista{"exportar"}, Lista{"importar"},
                                           Lista{"exportar", "1A2B", "x"},
                                           Lista{"importar", "1A2B", "1A2B"}),
                         NombreArgumentos);

// ---- The host's window handle ---------------------------------------------

TEST_F(FormularioTest, ManejadorNoHexadecimalDejaLaVentanaLibreYElTrabajoCorre) {
  p.respuestas = {EscribirCentro()};
  bool creado = false;
  TMForm& f = Crear({"exportar", "ZZ"}, &creado);
  EXPECT_TRUE(creado);
  EXPECT_EQ(p.registro, Lista{"error:'$ZZ' no es un valor entero válido"});
  EXPECT_EQ(f.NumParametros, 0);

  f.Atender(&TMForm::FormShow);
  EXPECT_EQ(p.Entradas("mensaje:"), Lista{kFinalizado});
  EXPECT_EQ(f.ResultadoProceso, 1);
  EXPECT_FALSE(f.Cerrado());
  f.Cerrar();
  EXPECT_TRUE(p.Entradas("ini:").empty());
}

TEST_F(FormularioTest, ManejadorSinVentanaTerminaSinTrabajoNiEscritura) {
  p.respuestas = {EscribirCentro()};
  p.ventanas.clear();
  bool creado = true;
  TMForm& f = Crear({"exportar", "1A2B"}, &creado);
  EXPECT_FALSE(creado);
  const Lista errores = p.Entradas("error:");
  ASSERT_EQ(errores.size(), 1u);
  EXPECT_NE(errores[0].find("1A2B"), std::string::npos) << errores[0];
  EXPECT_EQ(p.registro.size(), 1u);  // not docked, no border change
  EXPECT_EQ(f.NumParametros, 0);
  EXPECT_EQ(TablasEnTrabajo(), 0);
}

TEST_F(FormularioTest, ManejadorEnMinusculasAcopla) {
  TMForm& f = Crear({"listar", "1a2b"});
  EXPECT_EQ(p.registro, (Lista{"acoplar:" + std::to_string(kVentanaAnfitrion), "sinborde"}));
  EXPECT_EQ(f.NumParametros, 2);
}

TEST_F(FormularioTest, ManejadorCeroQuedaSinBordeYEnModoAnfitrion) {
  TMForm& f = Crear({"listar", "0"});
  EXPECT_EQ(p.registro, Lista{"sinborde"});
  EXPECT_EQ(f.NumParametros, 2);
  f.Cerrar();
  EXPECT_EQ(p.Entradas("ini:"), Lista{"0"});
}

// ---- Closing ---------------------------------------------------------------

TEST_F(FormularioTest, FicheroDeAjustesNoEscribibleSeAvisaUnaVezYTermina) {
  p.iniFalla = true;
  TMForm& f = Crear({"exportar", "1A2B"});
  p.registro.clear();
  f.Atender(&TMForm::FormShow);  // dialog cancelled: closes with -1
  const Lista esperado = {"dialogo", "mensaje:" + kNoExiste,
                          "error:Unable to write to " + (exe / "Zorvan.ini").string(),
                          "cerrarventana"};
  EXPECT_EQ(p.registro, esperado);
  EXPECT_TRUE(f.Cerrado());
  f.Cerrar();  // a later close request finds the form gone
  EXPECT_EQ(p.registro, esperado);
}

// ---- The exchange file kept between runs ----------------------------------

TEST_F(FormularioTest, DialogoCanceladoMasTardeReutilizaElFicheroDeOtraEjecucion) {
  p.respuestas = {EscribirCentro(), std::nullopt, std::nullopt};
  TMForm& f = Crear({});
  f.Atender(&TMForm::BImportarClick);  // chooses the file; no CURSOACAD yet
  EXPECT_EQ(p.Entradas("mensaje:"), Lista{kFalta});
  EXPECT_EQ(f.FicheroXML, Centro());

  f.Atender(&TMForm::BExportarClick);  // cancelled: exports the same file
  EXPECT_EQ(TablasEnTrabajo(), 7);

  // Cancelled again: the import finds base.xml in the folder the dialog chose.
  CrearSoluc();
  EscribirBase();
  f.Atender(&TMForm::BImportarClick);
  EXPECT_EQ(p.Entradas("mensaje:"), (Lista{kFalta, kFinalizado, kFinalizado}));
  EXPECT_EQ(p.Entradas("error:"), Lista{});
  EXPECT_TRUE(fs::exists(datos / "ResultadoZorvoscentro.xml"));
  EXPECT_EQ(p.Entradas("dialogo").size(), 3u);
  EXPECT_FALSE(f.Cerrado());
}

// ---- Help ------------------------------------------------------------------

TEST_F(FormularioTest, AyudaContenidoDesdeElBotonYContextoUnoDesdeF1) {
  TMForm& f = Crear({});
  f.AyudaF1();
  f.Atender(&TMForm::Button1Click);
  f.AyudaF1();
  const Lista esperado = {"ayuda:contexto:1:\\zorvdr\\ODRANA.chm",
                          "ayuda:contenido:\\ZORVDR\\ODRANA.chm",
                          "ayuda:contexto:1:\\ZORVDR\\ODRANA.chm"};
  EXPECT_EQ(p.registro, esperado);
}

}  // namespace
}  // namespace transzorvos::prueba
