// The table service as the builders and the import use it: tables we write,
// read back by us and by an independent reader (python3-dbf), and the row
// semantics the callers rely on.
#include "tables/TablaDBF.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "comun/Utilidades.h"

namespace transzorvos {
namespace {

using prueba::CarpetaTemporal;
using prueba::LeerFichero;

constexpr char kNoEdicion[] = "La fuente de datos no está en modo de edición o inserción";

// The message of the exception `f` raises; fails the test when none is raised.
template <typename F>
std::string Mensaje(F&& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  ADD_FAILURE() << "no se lanzó ninguna excepción";
  return "";
}

// A table with one field of each kind, as the export defines them.
void CrearMixta(TablaDBF& t) {
  t.FieldDefs.Clear();
  t.FieldDefs.Add("NOMBRE", TipoCampo::Texto, 10);
  t.FieldDefs.Add("DNI", TipoCampo::Entero);
  t.FieldDefs.Add("ESTAREA", TipoCampo::Logico);
  t.FieldDefs.Add("HORAS", TipoCampo::Flotante);
  t.CreateTable();
}

struct Fila {
  std::string nombre;
  std::int32_t dni;
  bool estarea;
  double horas;
};

void Anadir(TablaDBF& t, const Fila& f) {
  t.Append();
  t.FieldByName("NOMBRE").SetAsString(f.nombre);
  t.FieldByName("DNI").SetAsInteger(f.dni);
  t.FieldByName("ESTAREA").SetAsBoolean(f.estarea);
  t.FieldByName("HORAS").SetAsFloat(f.horas);
  t.Post();
}

std::vector<std::string> Columna(TablaDBF& t, const char* campo) {
  std::vector<std::string> valores;
  for (t.First(); !t.Eof(); t.Next()) valores.push_back(t.FieldByName(campo).AsString());
  return valores;
}

// Python 3 code that prints every row of the table in argv[1], texts without
// their trailing blanks, ASCII-escaped so the output does not depend on the
// terminal's encoding.
constexpr char kLectorPython[] = R"(
import dbf, sys
t = dbf.Table(sys.argv[1]); t.open()
print(t.structure())
for r in t:
    print(ascii([r[f].rstrip() if isinstance(r[f], str) else r[f] for f in t.field_names]))
)";

std::string LeerConPython(const std::filesystem::path& fichero, const CarpetaTemporal& carpeta) {
  auto guion = carpeta / "leer.py";
  prueba::EscribirFichero(guion, kLectorPython);
  std::string salida;
  int estado = prueba::Ejecutar(
      std::string(prueba::kPython) + " " + guion.string() + " " + fichero.string() + " 2>&1",
      &salida);
  EXPECT_EQ(estado, 0) << salida;
  return salida;
}

TEST(TablaDBF, IdaYVueltaDeCadaClaseDeCampo) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA");
  CrearMixta(t);
  t.Open();
  Anadir(t, {"Pe\xF1"
             "a",
             -2147483647 - 1, true, 2.5});
  Anadir(t, {"O'Neil", 2147483647, false, -1234.5678});
  t.Append();  // a row where nothing is set
  t.Post();
  t.Close();

  t.Open();
  ASSERT_EQ(t.Campos().size(), 4u);
  const std::vector<std::tuple<std::string, char, int, int>> esperados = {
      {"NOMBRE", 'C', 10, 0}, {"DNI", 'N', 11, 0}, {"ESTAREA", 'L', 1, 0}, {"HORAS", 'N', 20, 4}};
  for (std::size_t i = 0; i < esperados.size(); ++i) {
    const auto& d = t.Campos()[i];
    EXPECT_EQ(std::tie(d.nombre, d.tipo, d.ancho, d.decimales),
              std::tie(std::get<0>(esperados[i]), std::get<1>(esperados[i]),
                       std::get<2>(esperados[i]), std::get<3>(esperados[i])));
  }
  t.First();
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(),
            "Pe\xF1"
            "a");
  EXPECT_EQ(t.FieldByName("DNI").AsInteger(), -2147483647 - 1);
  EXPECT_TRUE(t.FieldByName("ESTAREA").AsBoolean());
  EXPECT_EQ(t.FieldByName("ESTAREA").AsString(), "T");
  EXPECT_DOUBLE_EQ(t.FieldByName("HORAS").AsFloat(), 2.5);
  EXPECT_EQ(t.FieldByName("HORAS").AsString(), "2.5");
  t.Next();
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(), "O'Neil");
  EXPECT_EQ(t.FieldByName("DNI").AsInteger(), 2147483647);
  EXPECT_EQ(t.FieldByName("DNI").AsString(), "2147483647");
  EXPECT_FALSE(t.FieldByName("ESTAREA").AsBoolean());
  EXPECT_EQ(t.FieldByName("ESTAREA").AsString(), "F");
  EXPECT_DOUBLE_EQ(t.FieldByName("HORAS").AsFloat(), -1234.5678);
  t.Next();
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(), "");
  EXPECT_EQ(t.FieldByName("DNI").AsString(), "");
  EXPECT_EQ(t.FieldByName("DNI").AsInteger(), 0);
  EXPECT_EQ(t.FieldByName("ESTAREA").AsString(), "");
  EXPECT_FALSE(t.FieldByName("ESTAREA").AsBoolean());
  EXPECT_EQ(t.FieldByName("HORAS").AsFloat(), 0.0);
  t.Next();
  EXPECT_TRUE(t.Eof());
}

TEST(TablaDBF, CabeceraYRegistrosEscritos) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA.DBF");
  CrearMixta(t);
  t.Open();
  Anadir(t, {"AB", 1, true, 0.25});
  t.Append();
  t.FieldByName("NOMBRE").SetAsString("CD");
  t.Post();
  t.Close();

  const std::string b = LeerFichero(dir / "MIXTA.DBF");
  const std::size_t cabecera = 32 + 4 * 32 + 1, registro = 1 + 10 + 11 + 1 + 20;
  ASSERT_EQ(b.size(), cabecera + 2 * registro + 1);
  std::time_t ahora = std::time(nullptr);
  std::tm hoy = *std::localtime(&ahora);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 0x03);
  EXPECT_EQ(static_cast<unsigned char>(b[1]), hoy.tm_year);
  EXPECT_EQ(static_cast<unsigned char>(b[2]), hoy.tm_mon + 1);
  EXPECT_EQ(static_cast<unsigned char>(b[3]), hoy.tm_mday);
  EXPECT_EQ(b.substr(4, 4), std::string("\x02\0\0\0", 4));
  EXPECT_EQ(static_cast<unsigned char>(b[8]) | static_cast<unsigned char>(b[9]) << 8, cabecera);
  EXPECT_EQ(static_cast<unsigned char>(b[10]) | static_cast<unsigned char>(b[11]) << 8, registro);
  EXPECT_EQ(b[28], 0);
  EXPECT_EQ(static_cast<unsigned char>(b[29]), 0x57);
  EXPECT_EQ(b.substr(32, 11), std::string("NOMBRE\0\0\0\0\0", 11));
  EXPECT_EQ(b[cabecera - 1], 0x0D);
  auto derecha = [](std::string t, std::size_t n) { return std::string(n - t.size(), ' ') + t; };
  EXPECT_EQ(b.substr(cabecera, registro),
            " AB" + std::string(8, ' ') + derecha("1", 11) + "T" + derecha("0.2500", 20));
  EXPECT_EQ(b.substr(cabecera + registro, registro), " CD        " + std::string(32, ' '));
  EXPECT_EQ(b.back(), 0x1A);
}

TEST(TablaDBF, PythonDbfLeeNuestrasTablas) {
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA");
  CrearMixta(t);
  t.Open();
  Anadir(t, {"Pe\xF1"
             "a",
             -42, true, 2.5});
  Anadir(t, {"\xDC"
             "nal",
             7, false, 1234567.125});
  t.Append();
  t.Post();
  t.Close();
  EXPECT_EQ(LeerConPython(dir / "MIXTA.DBF", dir),
            "['nombre C(10)', 'dni N(11,0)', 'estarea L', 'horas N(20,4)']\n"
            "['Pe\\xf1a', -42, True, 2.5]\n"
            "['\\xdcnal', 7, False, 1234567.125]\n"
            "['', None, None, None]\n");
}

TEST(TablaDBF, AppendConFilaPendienteLaGuardaAntes) {
  CarpetaTemporal dir;
  {
    TablaDBF t(dir.Ruta(), "MIXTA");
    CrearMixta(t);
    t.Open();
    t.Append();
    t.FieldByName("NOMBRE").SetAsString("UNO");
    t.Append();  // stores UNO
    t.FieldByName("NOMBRE").SetAsString("DOS");
    t.Post();
    t.Append();
    t.FieldByName("NOMBRE").SetAsString("TRES");
    t.Close();  // the pending row is dropped
    t.Open();
    EXPECT_EQ(Columna(t, "NOMBRE"), (std::vector<std::string>{"UNO", "DOS"}));
    t.Append();
    t.FieldByName("NOMBRE").SetAsString("CUATRO");
  }  // the destructor drops it too
  TablaDBF t(dir.Ruta(), "MIXTA");
  t.Open();
  EXPECT_EQ(Columna(t, "NOMBRE"), (std::vector<std::string>{"UNO", "DOS"}));
}

TEST(TablaDBF, EscribirSinFilaAnadidaLanza) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA");
  CrearMixta(t);
  t.Open();
  EXPECT_EQ(Mensaje([&] { t.FieldByName("NOMBRE").SetAsString("X"); }), kNoEdicion);
  EXPECT_EQ(Mensaje([&] { t.Post(); }), kNoEdicion);
  Anadir(t, {"A", 1, true, 1});
  // After Post the table is browsing again.
  EXPECT_EQ(Mensaje([&] { t.FieldByName("DNI").SetAsInteger(2); }), kNoEdicion);
  EXPECT_EQ(Mensaje([&] { t.FieldByName("ESTAREA").SetAsBoolean(false); }), kNoEdicion);
  EXPECT_EQ(Mensaje([&] { t.FieldByName("HORAS").SetAsFloat(2); }), kNoEdicion);
  EXPECT_EQ(Mensaje([&] { t.Post(); }), kNoEdicion);
  t.Close();
  t.Open();
  EXPECT_EQ(Columna(t, "DNI"), std::vector<std::string>{"1"});
}

TEST(TablaDBF, TextoLargoSeCortaAlAncho) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "PROFT");
  t.FieldDefs.Add("NOMBRE", TipoCampo::Texto, 40);
  t.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
  t.CreateTable();
  t.Open();
  const std::string nombre45 = "Maria de los Angeles Fernandez-Villaverde Gil";
  ASSERT_EQ(nombre45.size(), 45u);
  t.Append();
  t.FieldByName("NOMBRE").SetAsString(nombre45);
  t.FieldByName("ABREV").SetAsString("AGL10");
  t.Post();
  t.Close();
  t.Open();
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(), nombre45.substr(0, 40));
  EXPECT_EQ(t.FieldByName("ABREV").AsString(), "AGL1");
}

TEST(TablaDBF, NumeroQueNoCabeLanza) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA");
  CrearMixta(t);
  t.Open();
  t.Append();
  EXPECT_NE(Mensaje([&] { t.FieldByName("HORAS").SetAsFloat(1e17); }).find("HORAS"),
            std::string::npos);
  EXPECT_NE(Mensaje([&] { t.FieldByName("DNI").SetAsString("doce"); }).find("DNI"),
            std::string::npos);
}

TEST(TablaDBF, FilasBorradasSonInvisibles) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "PROFT");
  t.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
  t.CreateTable();
  t.Open();
  for (const char* a : {"A", "B", "C", "D"}) {
    t.Append();
    t.FieldByName("ABREV").SetAsString(a);
  }
  t.Post();
  t.Close();
  // Flag rows A and C as deleted, as the host does.
  std::string b = LeerFichero(dir / "PROFT.DBF");
  const std::size_t cabecera = 32 + 32 + 1, registro = 5;
  b[cabecera] = '*';
  b[cabecera + 2 * registro] = '*';
  prueba::EscribirFichero(dir / "PROFT.DBF", b);
  t.Open();
  EXPECT_EQ(Columna(t, "ABREV"), (std::vector<std::string>{"B", "D"}));
  t.SetFilter("ABREV= 'C'");
  t.SetFiltered(true);
  EXPECT_TRUE(t.Eof());
}

class FiltroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.FieldDefs.Add("PROF", TipoCampo::Texto, 10);
    t.FieldDefs.Add("HORA", TipoCampo::Entero);
    t.CreateTable();
    t.Open();
    int hora = 1;
    for (const char* p : {"AB", "O'NEIL", "ab", "ABC", "AB", " AB"}) {
      t.Append();
      t.FieldByName("PROF").SetAsString(p);
      t.FieldByName("HORA").SetAsInteger(hora++);
    }
    t.Post();
  }
  CarpetaTemporal dir;
  TablaDBF t{dir.Ruta(), "SOLUC", true};
};

TEST_F(FiltroTest, MuestraSoloLasFilasIgualesYSeSituaEnLaPrimera) {
  t.Next();
  t.SetFilter("PROF= 'AB'");
  t.SetFiltered(true);
  ASSERT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldByName("HORA").AsInteger(), 1);
  EXPECT_EQ(Columna(t, "HORA"), (std::vector<std::string>{"1", "5"}));

  t.SetFilter("PROF= 'O''NEIL'");
  EXPECT_EQ(t.FieldByName("HORA").AsInteger(), 2);
  EXPECT_EQ(Columna(t, "PROF"), std::vector<std::string>{"O'NEIL"});

  t.SetFilter("PROF='NADIE'");
  EXPECT_TRUE(t.Eof());

  t.SetFiltered(false);
  EXPECT_EQ(Columna(t, "HORA").size(), 6u);

  // The filter outlives Close, as a component property does.
  t.SetFilter("PROF=   ' AB'");
  t.SetFiltered(true);
  t.Close();
  t.Open();
  EXPECT_EQ(Columna(t, "HORA"), std::vector<std::string>{"6"});
}

TEST_F(FiltroTest, OtrosTextosDeFiltroLanzan) {
  const char* invalidos[] = {
      "PROF",        "PROF=",        "PROF= AB",
      "PROF= 'AB",   "PROF= 'A'B'",  "PROF= \"AB\"",
      "= 'AB'",      "PROF> 'AB'",   "PROF= 'AB' OR HORA= '1'",
      "PROF= 'AB''", "PROF == 'AB'", "PR-OF= 'AB'",
  };
  for (const char* f : invalidos) {
    std::string m = Mensaje([&] { t.SetFilter(f); });
    EXPECT_NE(m.find("El filtro"), std::string::npos) << f << ": " << m;
    EXPECT_NE(m.find("SOLUC"), std::string::npos) << f << ": " << m;
  }
  EXPECT_EQ(Mensaje([&] { t.SetFilter("AULA= 'X'"); }), "La tabla SOLUC no tiene el campo AULA");
}

TEST(TablaDBF, CamposPorNombreSinDistinguirMayusculas) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "SOLUC");
  t.FieldDefs.Add("CodGrupo", TipoCampo::Texto, 4);
  t.CreateTable();
  t.Open();
  EXPECT_EQ(t.Campos()[0].nombre, "CODGRUPO");
  EXPECT_EQ(t.FieldByName("codgrupo").Descripcion().nombre, "CODGRUPO");
  EXPECT_EQ(Mensaje([&] { t.FieldByName("AULA"); }), "La tabla SOLUC no tiene el campo AULA");
}

TEST(TablaDBF, RecorridoEnOrdenYEof) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "T");
  t.FieldDefs.Add("N", TipoCampo::Entero);
  t.CreateTable();
  t.Open();
  EXPECT_TRUE(t.Eof());  // no row at all
  for (int i = 3; i > 0; --i) {
    t.Append();
    t.FieldByName("N").SetAsInteger(i);
    t.Post();
  }
  t.Close();
  t.Open();
  ASSERT_FALSE(t.Eof());
  t.Next();
  t.Open();  // already open: stays where it is
  EXPECT_EQ(t.FieldByName("N").AsInteger(), 2);
  EXPECT_EQ(Columna(t, "N"), (std::vector<std::string>{"3", "2", "1"}));
  t.Next();
  EXPECT_TRUE(t.Eof());
}

TEST(TablaDBF, DefinicionesNoValidasLanzan) {
  struct Caso {
    std::string nombre;
    TipoCampo tipo;
    int ancho;
    std::string se_espera;
  };
  const Caso casos[] = {
      {"NOMBRELARGO", TipoCampo::Texto, 4, "NOMBRELARGO"},
      {"", TipoCampo::Entero, 0, "no es válido"},
      {"1CAMPO", TipoCampo::Entero, 0, "1CAMPO"},
      {"CON ESPACIO", TipoCampo::Entero, 0, "CON ESPACIO"},
      {"TEXTO", TipoCampo::Texto, 0, "ancho 0"},
      {"TEXTO", TipoCampo::Texto, 255, "ancho 255"},
      {"REPE", TipoCampo::Entero, 0, "repetido"},
  };
  CarpetaTemporal dir;
  for (const auto& c : casos) {
    TablaDBF t(dir.Ruta(), "MALA");
    t.FieldDefs.Add("REPE", TipoCampo::Logico);
    t.FieldDefs.Add(c.nombre, c.tipo, c.ancho);
    std::string m = Mensaje([&] { t.CreateTable(); });
    EXPECT_NE(m.find("MALA"), std::string::npos) << m;
    EXPECT_NE(m.find(c.se_espera), std::string::npos) << m;
  }
  TablaDBF vacia(dir.Ruta(), "VACIA");
  EXPECT_NE(Mensaje([&] { vacia.CreateTable(); }).find("no tiene campos"), std::string::npos);
}

TEST(TablaDBF, CreateTableSustituyeLaTablaAnterior) {
  CarpetaTemporal dir;
  TablaDBF t(dir.Ruta(), "MIXTA");
  CrearMixta(t);
  t.Open();
  Anadir(t, {"VIEJA", 1, true, 1});
  t.Close();
  t.FieldDefs.Clear();
  t.FieldDefs.Add("OTRO", TipoCampo::Texto, 3);
  t.CreateTable();
  t.Open();
  EXPECT_TRUE(t.Eof());
  ASSERT_EQ(t.Campos().size(), 1u);
  EXPECT_EQ(t.Campos()[0].nombre, "OTRO");
}

TEST(TablaDBF, CuentaDeLaCabeceraCorrectaTrasUnaExcepcion) {
  CarpetaTemporal dir;
  const auto fichero = dir / "ASIGT.DBF";
  {
    TablaDBF t(dir.Ruta(), "ASIGT.DBF");
    t.FieldDefs.Add("CASIG", TipoCampo::Texto, 4);
    t.CreateTable();
  }
  auto cuenta = [&] { return static_cast<unsigned char>(LeerFichero(fichero)[4]); };
  const std::string error = Mensaje([&] {
    TablaDBF t(dir.Ruta(), "ASIGT.DBF");
    t.Open();
    for (const char* c : {"MAT", "LEN"}) {
      t.Append();
      t.FieldByName("CASIG").SetAsString(c);
      t.Post();
#ifdef _WIN32
      // The writer's share mode keeps every other open out, readers too.
      EXPECT_THROW(LeerFichero(fichero), std::runtime_error);
#else
      // flock is advisory: a plain reader sees the file while it is written.
      EXPECT_EQ(LeerFichero(fichero).back(), 0x1A);
#endif
    }
#ifndef _WIN32
    EXPECT_EQ(cuenta(), 2);  // right while the table is still open
#endif
    t.Append();
    t.FieldByName("CASIG").SetAsString("ING");
    t.FieldByName("NOHAY").SetAsString("X");  // ends the run by stack unwinding
  });
  EXPECT_NE(error.find("NOHAY"), std::string::npos) << error;
  EXPECT_EQ(cuenta(), 2);
  EXPECT_EQ(LeerFichero(fichero).size(), 32u + 32 + 1 + 2 * 5 + 1);
  EXPECT_EQ(LeerFichero(fichero).back(), 0x1A);
  TablaDBF t(dir.Ruta(), "ASIGT");
  t.Open();
  EXPECT_EQ(Columna(t, "CASIG"), (std::vector<std::string>{"MAT", "LEN"}));
  t.Close();
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_EQ(LeerConPython(fichero, dir), "['casig C(4)']\n['MAT']\n['LEN']\n");
}

TEST(TablaDBF, FicheroBorrarYExiste) {
  CarpetaTemporal dir;
  EXPECT_EQ(TablaDBF(dir.Ruta(), "PROFT").Fichero(), dir / "PROFT.DBF");
  EXPECT_EQ(TablaDBF(dir.Ruta(), "PROFT.DBF").Fichero(), dir / "PROFT.DBF");
  EXPECT_FALSE(ExisteTabla(dir.Ruta(), "SOLUC"));
  EXPECT_EQ(Mensaje([&] { TablaDBF(dir.Ruta(), "PROFT").Open(); }),
            "No existe la tabla " + (dir / "PROFT.DBF").string());

  // The host under Wine may write the name in lower case.
  {
    TablaDBF t(dir.Ruta(), "soluc.dbf");
    t.FieldDefs.Add("PROF", TipoCampo::Texto, 4);
    t.CreateTable();
  }
  prueba::EscribirFichero(dir / "Soluc.mdx", "indice");
  prueba::EscribirFichero(dir / "OTRA.DBF", "otra");
  TablaDBF soluc(dir.Ruta(), "SOLUC", true);
  EXPECT_EQ(soluc.Fichero(), dir / "soluc.dbf");
  EXPECT_TRUE(ExisteTabla(dir.Ruta(), "SOLUC"));
  EXPECT_TRUE(ExisteTabla(dir.Ruta(), "SOLUC.DBF"));
  soluc.Open();
  EXPECT_EQ(soluc.Campos().size(), 1u);
  soluc.Close();

  BorrarTabla(dir.Ruta(), "SOLUC");
  EXPECT_FALSE(std::filesystem::exists(dir / "soluc.dbf"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Soluc.mdx"));
  EXPECT_TRUE(std::filesystem::exists(dir / "OTRA.DBF"));
  BorrarTabla(dir.Ruta(), "SOLUC");  // nothing left: no error
}

class BloqueoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TablaDBF t(dir.Ruta(), "PROFT");
    t.FieldDefs.Add("ABREV", TipoCampo::Texto, 4);
    t.CreateTable();
  }
  std::string EnUso() const {
    return "La tabla " + (dir / "PROFT.DBF").string() + " está en uso por otro proceso";
  }
#ifndef _WIN32
  // Holds the file through a descriptor of its own, as another process would:
  // flock locks belong to the open file, not to the process.
  int Retener(int modo) {
    int fd = ::open((dir / "PROFT.DBF").c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, modo | LOCK_NB), 0);
    return fd;
  }
#endif
  CarpetaTemporal dir;
};

TEST_F(BloqueoTest, UnaTablaExclusivaAbiertaExcluyeALasDemas) {
  TablaDBF primera(dir.Ruta(), "PROFT", true);
  primera.Open();
  TablaDBF otra(dir.Ruta(), "PROFT");
  EXPECT_EQ(Mensaje([&] { otra.Open(); }), EnUso());
  TablaDBF creadora(dir.Ruta(), "PROFT");
  creadora.FieldDefs.Add("X", TipoCampo::Entero);
  EXPECT_EQ(Mensaje([&] { creadora.CreateTable(); }), EnUso());
  primera.Close();
  otra.Open();
  EXPECT_TRUE(otra.Active());
}

TEST_F(BloqueoTest, LectorasALaVezHastaQueUnaEscribe) {
  TablaDBF una(dir.Ruta(), "PROFT"), otra(dir.Ruta(), "PROFT");
  una.Open();
  otra.Open();
  EXPECT_EQ(Mensaje([&] { una.Append(); }), EnUso());  // the other still reads
  EXPECT_TRUE(una.Active());
  otra.Close();
  TablaDBF exclusiva(dir.Ruta(), "PROFT", true);
  EXPECT_EQ(Mensaje([&] { exclusiva.Open(); }), EnUso());  // the failed Append kept its hold
  una.Append();
  una.FieldByName("ABREV").SetAsString("AB");
  una.Post();
  TablaDBF tercera(dir.Ruta(), "PROFT");
  EXPECT_EQ(Mensaje([&] { tercera.Open(); }), EnUso());
  una.Close();
  tercera.Open();
  EXPECT_EQ(Columna(tercera, "ABREV"), std::vector<std::string>{"AB"});
}

TEST_F(BloqueoTest, OtroProgramaConLaTablaImpideAbrirlaYCrearla) {
  {
    prueba::FicheroBloqueado otro(dir / "PROFT.DBF");
    TablaDBF t(dir.Ruta(), "PROFT");
    EXPECT_EQ(Mensaje([&] { t.Open(); }), EnUso());
    t.FieldDefs.Add("X", TipoCampo::Entero);
    EXPECT_EQ(Mensaje([&] { t.CreateTable(); }), EnUso());
  }
  TablaDBF t(dir.Ruta(), "PROFT");
  t.Open();
  EXPECT_EQ(t.Campos().size(), 1u);  // the failed CreateTable left the table as it was
}

// flock and fork: the Windows build's share modes are another mechanism.
#ifndef _WIN32
TEST_F(BloqueoTest, AperturaExclusivaFallaMientrasOtroLaTiene) {
  int fd = Retener(LOCK_SH);
  TablaDBF exclusiva(dir.Ruta(), "PROFT", true);
  EXPECT_EQ(Mensaje([&] { exclusiva.Open(); }), EnUso());
  EXPECT_FALSE(exclusiva.Active());
  TablaDBF lectora(dir.Ruta(), "PROFT");
  lectora.Open();                                          // shared reading is allowed
  EXPECT_EQ(Mensaje([&] { lectora.Append(); }), EnUso());  // writing is not
  lectora.Close();
  ::close(fd);
  exclusiva.Open();
  EXPECT_TRUE(exclusiva.Active());
}

TEST_F(BloqueoTest, OtroProcesoConLaTablaImpideAbrirla) {
  int listo[2], fin[2];
  ASSERT_EQ(::pipe(listo), 0);
  ASSERT_EQ(::pipe(fin), 0);
  pid_t hijo = ::fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    int fd = ::open((dir / "PROFT.DBF").c_str(), O_RDWR);
    char c = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'S' : 'N';
    if (::write(listo[1], &c, 1) != 1 || ::read(fin[0], &c, 1) != 1) _exit(2);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(listo[0], &c, 1), 1);
  ASSERT_EQ(c, 'S');
  TablaDBF t(dir.Ruta(), "PROFT", true);
  EXPECT_EQ(Mensaje([&] { t.Open(); }), EnUso());
  ASSERT_EQ(::write(fin[1], &c, 1), 1);
  int estado = 0;
  ::waitpid(hijo, &estado, 0);
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
  for (int fd : {listo[0], listo[1], fin[0], fin[1]}) ::close(fd);
  t.Open();  // the other process has ended
  EXPECT_TRUE(t.Active());
}

TEST_F(BloqueoTest, UnaTablaEnEscrituraExcluyeALasDemas) {
  TablaDBF escritora(dir.Ruta(), "PROFT");
  escritora.Open();
  escritora.Append();
  int fd = ::open((dir / "PROFT.DBF").c_str(), O_RDONLY);
  EXPECT_NE(::flock(fd, LOCK_SH | LOCK_NB), 0);
  ::close(fd);
}

#endif  // _WIN32

}  // namespace
}  // namespace transzorvos
