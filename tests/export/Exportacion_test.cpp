// The export run: seven builders in order over one document, end to end on a
// small realistic school, and what a failure leaves behind.
#include "export/Exportacion.h"

#include <map>
#include <stdexcept>

#include "exchange/Ansi.h"
#include "export/Ayudas.h"
#include "export/CodigoUnico.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::prueba {
namespace {

const std::vector<std::string> kTablas = {"CURSOACAD", "ASIGNOMT", "PROFT",     "AULAT",
                                          "GRUPOST",   "ASIGT",    "DIASHORAST"};

using Contenidos = std::map<std::string, std::string>;  // file name -> bytes

class ExportacionPrueba : public PruebaExportacion {
 protected:
  // Runs the whole export of `fichero`; returns the tables in the order they
  // were reported complete, with their rows.
  std::vector<std::pair<std::string, std::size_t>> Exportar(const std::filesystem::path& fichero) {
    std::vector<std::pair<std::string, std::size_t>> hechas;
    const auto doc = CargarDocumento(fichero);
    transzorvos::Exportar(*doc, qtemp, tablas,
                          [&](const TablaExportada& t) { hechas.emplace_back(t.nombre, t.filas); });
    return hechas;
  }
  Contenidos Leer() const {
    Contenidos c;
    for (const auto& entrada : std::filesystem::directory_iterator(qtemp))
      if (entrada.is_regular_file())
        c[entrada.path().filename().string()] = LeerFichero(entrada.path());
    return c;
  }
  // Gives every table an old content the export must either replace or keep.
  void SembrarTablasViejas() {
    for (const std::string& t : kTablas) {
      EscribirFichero(qtemp / (t + ".DBF"), "tabla vieja " + t);
      EscribirFichero(qtemp / (t + ".MDX"), "indice viejo " + t);
    }
  }
  TablasFormulario tablas{qtemp};
};

const std::vector<std::pair<std::string, std::size_t>> kFilasMuestra = {
    {"CURSOACAD", 1}, {"ASIGNOMT", 7}, {"PROFT", 4},      {"AULAT", 3},
    {"GRUPOST", 3},   {"ASIGT", 10},   {"DIASHORAST", 21}};

TEST_F(ExportacionPrueba, CentroPequenoDeExtremoAExtremo) {
  SembrarTablasViejas();
  EXPECT_EQ(Exportar(Muestra("export/muestras/centro_pequeno.xml")), kFilasMuestra);

  // Only the seven tables remain: no index file survives.
  std::vector<std::string> ficheros;
  for (const auto& [nombre, bytes] : Leer()) ficheros.push_back(nombre);
  EXPECT_EQ(ficheros,
            (std::vector<std::string>{"ASIGNOMT.DBF", "ASIGT.DBF", "AULAT.DBF", "CURSOACAD.DBF",
                                      "DIASHORAST.DBF", "GRUPOST.DBF", "PROFT.DBF"}));

  EXPECT_EQ(Filas("CURSOACAD"), (std::vector<Fila>{{"2026", "15/09/2026", "23/06/2027"}}));
  EXPECT_EQ(Columna("ASIGNOMT", "COD"),
            (std::vector<std::string>{"LC", "M", "M1", "M2", "EF", "GUA", "3101"}));
  EXPECT_EQ(Columna("PROFT", "ABREV"), (std::vector<std::string>{"AGL", "ÁGL", "AGL1", "JNO"}));
  EXPECT_EQ(Columna("PROFT", "NOMBRE"),
            (std::vector<std::string>{"Ana García López", "Álvaro Gómez Lara",
                                      "Alicia Gil Llorente", "Jesús Navarro Ortiz"}));
  EXPECT_EQ(Columna("AULAT", "ABREV"), (std::vector<std::string>{"AULA", "AUL1", "GIMN"}));
  EXPECT_EQ(Columna("AULAT", "DEPCENTRO"),
            (std::vector<std::string>{"AULA101", "AULA102", "GIMNASIO"}));
  EXPECT_EQ(Columna("GRUPOST", "ABREV"), (std::vector<std::string>{"1ESA", "1ESB", "2ESA"}));
  EXPECT_EQ(Columna("ASIGT", "CASIG"), (std::vector<std::string>{"LC", "M", "M1", "3101", "LC", "M",
                                                                 "M1", "3101", "M2", "EF"}));
  EXPECT_EQ(Columna("ASIGT", "CTAREA"),
            (std::vector<std::string>{"1", "1", "1", "3101", "1", "1", "1", "3101", "1", "1"}));
  EXPECT_EQ(Filas("DIASHORAST").at(2),
            (Fila{"13", "5003", "1", "", "Recreo", "Recreo", "0660", "0690", "30"}));

  EXPECT_FALSE(tablas.wwTableGrupos.Active());
  EXPECT_FALSE(tablas.wwTableNomAsg.Active());

  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  // An independent reader sees the same subjects, logical field included.
  EXPECT_EQ(FilasPython(qtemp / "ASIGNOMT.DBF"),
            "LC|410001|Lengua Castellana y Literatura|3101||False\n"
            "M|410002|Matemáticas|3101||False\n"
            "M1|410003|Música|3101||False\n"
            "M2|420002|Matemáticas|3102||False\n"
            "EF|420005|Educación Física|3102||False\n"
            "GUA|GUA|Guardia|GUA||True\n"
            "3101|3101|Tutoría de 1º ESO|3101||True\n");
}

TEST_F(ExportacionPrueba, CodigosCortosUnicosEnCadaTabla) {
  // The sample school, and a school whose subjects, teachers, rooms and units
  // share initials, blanks and letter case in every way the bases allow.
  const std::filesystem::path choques = temporal / "choques.xml";
  {
    std::vector<Valores> materias, profesores, aulas, unidades;
    for (const char* nombre : {"Tecnología", "Taller  de Teatro", "Taller  de Teatro", "Tecnología",
                               "taller  de teatro", "Tutoría", "T 1", "T1"})
      for (int i = 0; i < 3; ++i) materias.push_back({"OF", "M", nombre});
    for (int i = 0; i < 40; ++i) {
      profesores.push_back(
          {Numerado("E", i), "F", "D", i % 2 ? "Gómez" : "gil", "López", i % 3 ? "Ana" : "ana"});
      aulas.push_back({i % 2 ? "ABC DEF" : "ABC", "Aula"});
      unidades.push_back({"U", i % 2 ? "1º ESO A" : "1º eso a", "OF"});
    }
    EscribirFichero(
        choques, DocumentoIntercambio({GrupoCurso(), Grupo("MATERIAS", materias),
                                       Grupo("EMPLEADOS", profesores), Grupo("DEPENDENCIAS", aulas),
                                       Grupo("UNIDADES", unidades)}));
  }
  const std::vector<std::pair<std::string, std::string>> campos = {
      {"ASIGNOMT", "COD"}, {"PROFT", "ABREV"}, {"AULAT", "ABREV"}, {"GRUPOST", "ABREV"}};
  for (const std::filesystem::path& fichero :
       {std::filesystem::path(TZO_SOURCE_DIR "/data/centro/centro.xml"), choques}) {
    Exportar(fichero);
    for (const auto& [tabla, campo] : campos) {
      std::vector<std::string> codigos;
      const std::vector<std::string> todos = Columna(tabla, campo);
      // Activities (ESTAREA) keep their own codes, outside the rule.
      const std::vector<std::string> tareas =
          tabla == "ASIGNOMT" ? Columna(tabla, "ESTAREA") : std::vector<std::string>(todos.size());
      for (std::size_t i = 0; i < todos.size(); ++i)
        if (tareas[i] != "T") codigos.push_back(todos[i]);
      EXPECT_FALSE(codigos.empty()) << tabla;
      for (std::size_t i = 0; i < codigos.size(); ++i)
        for (std::size_t j = i + 1; j < codigos.size(); ++j)
          EXPECT_FALSE(IgualesSinMayusculas(Utf8AAnsi(codigos[i]), Utf8AAnsi(codigos[j])))
              << fichero.filename() << " " << tabla << "." << campo << ": '" << codigos[i]
              << "' y '" << codigos[j] << "'";
    }
  }
}

TEST_F(ExportacionPrueba, DosVecesSeguidasDanLasMismasTablas) {
  // A bigger school first: none of its rows may survive.
  const std::filesystem::path grande = temporal / "grande.xml";
  {
    std::vector<Valores> tramos, profesores;
    for (int i = 0; i < 9; ++i) tramos.push_back({"T", "h", "480", "540"});
    for (int i = 0; i < 30; ++i) profesores.push_back({"E", "F", "D", "X", "Y", "Z"});
    EscribirFichero(grande, DocumentoIntercambio({GrupoCurso(), Grupo("TRAMOS_HORARIOS", tramos),
                                                  Grupo("EMPLEADOS", profesores)}));
  }
  Exportar(grande);
  const std::filesystem::path muestra = Muestra("export/muestras/centro_pequeno.xml");
  EXPECT_EQ(Exportar(muestra), kFilasMuestra);
  const Contenidos primera = Leer();
  EXPECT_EQ(Exportar(muestra), kFilasMuestra);
  EXPECT_EQ(Leer(), primera);

  // The same bytes as an export into an empty folder.
  CarpetaTemporal otra;
  TablasFormulario otras(otra.Ruta());
  transzorvos::Exportar(*CargarDocumento(muestra), otra.Ruta(), otras);
  for (const auto& [nombre, bytes] : primera)
    EXPECT_EQ(LeerFichero(otra / nombre), bytes) << nombre;
}

TEST_F(ExportacionPrueba, ConstructorQueFallaDejaLasAnterioresHechasYLasSiguientesIntactas) {
  SembrarTablasViejas();
  // AULAT.DBF cannot be replaced: a folder with something in it stands there.
  std::filesystem::remove(qtemp / "AULAT.DBF");
  std::filesystem::create_directory(qtemp / "AULAT.DBF");
  EscribirFichero(qtemp / "AULAT.DBF" / "dentro", "x");
  const Contenidos antes = Leer();

  std::vector<std::pair<std::string, std::size_t>> hechas;
  const auto doc = CargarDocumento(Muestra("export/muestras/centro_pequeno.xml"));
  EXPECT_THROW(transzorvos::Exportar(
                   *doc, qtemp, tablas,
                   [&](const TablaExportada& t) { hechas.emplace_back(t.nombre, t.filas); }),
               std::runtime_error);
  EXPECT_EQ(hechas, (std::vector<std::pair<std::string, std::size_t>>(kFilasMuestra.begin(),
                                                                      kFilasMuestra.begin() + 3)));
  EXPECT_EQ(Filas("PROFT").size(), 4u);
  EXPECT_EQ(Filas("ASIGNOMT").size(), 7u);
  const Contenidos despues = Leer();
  for (const char* intacta :
       {"GRUPOST.DBF", "GRUPOST.MDX", "ASIGT.DBF", "ASIGT.MDX", "DIASHORAST.DBF", "DIASHORAST.MDX"})
    EXPECT_EQ(despues.at(intacta), antes.at(intacta)) << intacta;
  for (const char* borrado : {"CURSOACAD.MDX", "ASIGNOMT.MDX", "PROFT.MDX", "AULAT.MDX"})
    EXPECT_EQ(despues.count(borrado), 0u) << borrado;
}

TEST_F(ExportacionPrueba, TramoNoEnteroTerminaLaExportacionConLasDemasHechas) {
  SembrarTablasViejas();
  std::string xml = LeerFichero(Muestra("export/muestras/centro_pequeno.xml"));
  const std::string malo = "<dato nombre_dato=\"N_FIN\">605</dato>";
  ASSERT_NE(xml.find(malo), std::string::npos);
  xml.replace(xml.find(malo), malo.size(), "<dato nombre_dato=\"N_FIN\">10:05</dato>");
  EscribirFichero(temporal / "malo.xml", xml);
  try {
    Exportar(temporal / "malo.xml");
    FAIL() << "sin error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'10:05' no es un valor entero válido");
  }
  EXPECT_EQ(Filas("ASIGT").size(), 10u);
  EXPECT_EQ(Columna("DIASHORAST", "DIHO"), (std::vector<std::string>{"11"}));
  EXPECT_FALSE(tablas.wwTableGrupos.Active());
}

TEST_F(ExportacionPrueba, SinCursoAcademicoSoloSeTocaCursoAcad) {
  SembrarTablasViejas();
  const Contenidos antes = Leer();
  EscribirFichero(temporal / "sin_curso.xml",
                  DocumentoIntercambio({GrupoPrueba{"CENTRO", {"46999001"}, {}},
                                        Grupo("MATERIAS", {{"OF", "M", "Matemáticas"}})}));
  try {
    Exportar(temporal / "sin_curso.xml");
    FAIL() << "sin error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("curso académico"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Filas("CURSOACAD").empty());
  const Contenidos despues = Leer();
  EXPECT_EQ(despues.count("CURSOACAD.MDX"), 0u);
  for (const auto& [nombre, bytes] : antes) {
    if (nombre.rfind("CURSOACAD", 0) == 0) continue;
    EXPECT_EQ(despues.at(nombre), bytes) << nombre;
  }
}

TEST_F(ExportacionPrueba, DocumentoIlegibleNoTocaNingunaTabla) {
  SembrarTablasViejas();
  const Contenidos antes = Leer();
  struct Caso {
    const char* nombre;
    const char* contenido;  // nullptr: no file at all
  };
  for (const Caso& c :
       {Caso{"cortado.xml", "<?xml version=\"1.0\"?><SERVICIO><BLOQUE_DATOS>"},
        Caso{"vacio.xml", ""}, Caso{"texto.xml", "no es XML"}, Caso{"falta.xml", nullptr}}) {
    const std::filesystem::path fichero = temporal / c.nombre;
    if (c.contenido) EscribirFichero(fichero, c.contenido);
    try {
      Exportar(fichero);
      ADD_FAILURE() << c.nombre << ": sin error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.nombre), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Leer(), antes);
}

}  // namespace
}  // namespace transzorvos::prueba
