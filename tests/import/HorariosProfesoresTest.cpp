// The teacher timetable records, read back with Python's XML parser: what
// each lesson of SOLUC becomes, with the host's codes looked up in the
// working tables.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"
#include "import/Importacion.h"
#include "import/TablasPrueba.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::prueba {
namespace {

// The lookup tables every case shares. Each key of the four tables has a
// later duplicate that must never be used, and a lower-case twin where that
// matters. Texts are Windows-1252.
CentroPrueba CentroComun() {
  CentroPrueba c;
  c.tramos = {{"11", "T-11", "1", "0800", "0855"},
              {"11", "T-DUP", "9", "X", "Y"},
              {"12", "T-12", "1", "0855", "0950"},
              {"110", "T-110", "1", "1500", "1555"},
              {"21", "T-21", "2", "0800", "0855"}};
  c.aulas = {{"A1", "DEP-A1"}, {"A1", "DEP-DUP"}, {"B2", ""}, {"S\xE9", "DEP-S\xE9"}};
  c.grupos = {{"G1",
               "1\xBA"
               "ESO-A"},
              {"G1", "DUP"},
              {"g2", "2ESO-b"}};
  c.materias = {{"MA", "MAT-L", "OF-1", "F"},
                {"MA", "DUP-L", "DUP-O", "F"},
                {"GUAR", "GUAR-L", "GUAR-O", "T"}};
  return c;
}

constexpr const char* kBaseMinima =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO><BLOQUE_DATOS/></SERVICIO>\n";

// What the result holds, UTF-8, as leer_resultado.py prints it.
struct Tramo {
  std::string dia, codigo, desde, hasta;
};
const Tramo k11{"1", "T-11", "0800", "0855"};
const Tramo k12{"1", "T-12", "0855", "0950"};
const Tramo k110{"1", "T-110", "1500", "1555"};
const Tramo k21{"2", "T-21", "0800", "0855"};
const Tramo kSinTramo{"", "", "", ""};

using Valores = std::array<std::string, 11>;
constexpr std::array<const char*, 11> kNombres = {
    "N_DIASEMANA", "X_TRAMO", "X_DEPENDENCIA", "X_UNIDAD", "X_OFERTAMATRIG", "X_MATERIAOMG",
    "F_INICIO",    "F_FIN",   "N_HORINI",      "N_HORFIN", "X_ACTIVIDAD"};

Valores Clase(const Tramo& t, std::string dependencia, std::string unidad, std::string oferta,
              std::string largo, std::string actividad = "1", std::string inicio = "01/09/2024",
              std::string fin = "30/06/2025") {
  return {t.dia,  t.codigo, dependencia, unidad,  oferta,   largo,
          inicio, fin,      t.desde,     t.hasta, actividad};
}
// The lesson on A1, G1, MA: every lookup finds its first row.
Valores Normal(const Tramo& t, std::string actividad = "1") {
  return Clase(t, "DEP-A1", "1ºESO-A", "OF-1", "MAT-L", actividad);
}

std::string Profesor(int n, const std::string& empleado, const std::string& tomaPos,
                     const std::vector<Valores>& actividades) {
  std::string s = " grupo_datos seq=HORARIO_REGULAR_PROFESOR_" + std::to_string(n) +
                  " registros=" + std::to_string(actividades.size()) + "\n" +
                  "  dato nombre_dato=X_EMPLEADO [" + empleado + "]\n" +
                  "  dato nombre_dato=F_TOMAPOS [" + tomaPos + "]\n";
  for (std::size_t m = 0; m < actividades.size(); ++m) {
    s += "  grupo_datos seq=ACTIVIDAD_" + std::to_string(m + 1) + "\n";
    for (std::size_t i = 0; i < kNombres.size(); ++i)
      s += std::string("   dato nombre_dato=") + kNombres[i] + " [" + actividades[m][i] + "]\n";
  }
  return s;
}

std::string Horarios(const std::vector<std::string>& profesores) {
  std::string s =
      "grupo_datos seq=HORARIOS_REGULARES registros=" + std::to_string(profesores.size()) + "\n";
  for (const std::string& p : profesores) s += p;
  return s;
}

struct CasoHorarios {
  const char* nombre;
  Filas profesores;  // ABREV, X_EMPLEADO, F_TOMAPOS
  Filas soluc;       // PROF, DIA, HORA, AULA, CODGRUPO, ASIG, TAREA
  std::vector<std::string> esperado;
  std::size_t actividades;
  std::vector<CodigoSinPareja> sinPareja;
};

const CasoHorarios kCasos[] = {
    {"ProfesoresSinClases",
     {{"AB", "E1", "2020"}, {"CD", "E2", "2021"}, {"EF", "E3", ""}},
     {{"CD", "0", "0", "A1", "G1", "MA", ""},
      {"ZZ", "1", "1", "A1", "G1", "MA", ""},
      {"CD", "0", "3", "A1", "G1", "MA", ""}},
     {Profesor(1, "E1", "2020", {}), Profesor(2, "E2", "2021", {}), Profesor(3, "E3", "", {})},
     0,
     {}},
    {"DiaCeroEntreClasesSinHueco",
     {{"AB", "E1", "2020"}, {"CD", "E2", "2021"}},
     {{"AB", "1", "1", "A1", "G1", "MA", ""},
      {"AB", "0", "2", "A1", "G1", "MA", ""},
      {"CD", "2", "1", "A1", "G1", "MA", ""},
      {"AB", "1", "2", "A1", "G1", "MA", ""}},
     {Profesor(1, "E1", "2020", {Normal(k11), Normal(k12)}),
      Profesor(2, "E2", "2021", {Normal(k21)})},
     3,
     {}},
    {"GanaLaPrimeraFilaIgualSinCache",
     {{"AB", "E1", "2020"}},
     {{"AB", "1", "1", "A1", "G1", "MA", ""}, {"AB", "1", "1", "A1", "G1", "MA", ""}},
     {Profesor(1, "E1", "2020", {Normal(k11), Normal(k11)})},
     2,
     {}},
    {"CodigosDistinguenMayusculas",
     {{"AB", "E1", "2020"}, {"ab", "E2", "2021"}},
     {{"AB", "1", "1", "a1", "g1", "ma", ""},
      {"AB", "1", "2", "A1", "G2", "MA", ""},
      {"AB", "2", "1", "A1", "g2", "Ma", ""}},
     {Profesor(1, "E1", "2020",
               {Clase(k11, "a1", "", "", ""), Clase(k12, "DEP-A1", "", "OF-1", "MAT-L"),
                Clase(k21, "DEP-A1", "2ESO-b", "", "")}),
      Profesor(2, "E2", "2021", {})},
     3,
     {{"AULAT", "a1"},
      {"GRUPOST", "g1"},
      {"ASIGNOMT", "ma"},
      {"GRUPOST", "G2"},
      {"ASIGNOMT", "Ma"}}},
    {"DependenciaDeLaTablaODelPropioCodigo",
     {{"AB", "E1", "2020"}},
     {{"AB", "1", "1", "Z9", "G1", "MA", ""},
      {"AB", "1", "2", "", "G1", "MA", ""},
      {"AB", "2", "1", "B2", "G1", "MA", ""},
      {"AB", "1", "10", "S\xE9", "G1", "MA", ""},
      {"AB", "1", "1", "Z9", "G1", "MA", ""}},
     {Profesor(
         1, "E1", "2020",
         {Clase(k11, "Z9", "1ºESO-A", "OF-1", "MAT-L"), Clase(k12, "", "1ºESO-A", "OF-1", "MAT-L"),
          Clase(k21, "B2", "1ºESO-A", "OF-1", "MAT-L"),
          Clase(k110, "DEP-Sé", "1ºESO-A", "OF-1", "MAT-L"),
          Clase(k11, "Z9", "1ºESO-A", "OF-1", "MAT-L")})},
     5,
     {{"AULAT", "Z9"}}},
    {"TramoQueNoEsta",
     {{"AB", "E1", "2020"}},
     {{"AB", "3", "1", "A1", "G1", "MA", ""}, {"AB", "1", "1", "A1", "G1", "MA", ""}},
     {Profesor(1, "E1", "2020", {Normal(kSinTramo), Normal(k11)})},
     2,
     {{"DIASHORAST", "31"}}},
    {"TareaEnBlancoOConBlancosDelante",
     {{"AB", "E1", "2020"}},
     {{"AB", "1", "1", "A1", "G1", "MA", ""},
      {"AB", "1", "2", "A1", "G1", "MA", "   "},
      {"AB", "2", "1", "A1", "G1", "MA", " T1"},
      {"AB", "1", "10", "A1", "", "GUAR", "GUAR"}},
     {Profesor(1, "E1", "2020",
               {Normal(k11), Normal(k12), Normal(k21, " T1"),
                Clase(k110, "DEP-A1", "", "GUAR-O", "GUAR-L", "GUAR")})},
     4,
     {}},
    {"CodigoDeProfesorConComillaOAcento",
     {{"O'B", "E1", "2020"}, {"O", "E2", "2021"}, {"O''B", "E3", "2022"}, {"\xC1NA", "E\xD1", ""}},
     {{"O'B", "1", "1", "A1", "G1", "MA", ""},
      {"O", "1", "2", "A1", "G1", "MA", ""},
      {"O''B", "2", "1", "A1", "G1", "MA", ""},
      {"\xC1NA", "1", "10", "A1", "G1", "MA", ""}},
     {Profesor(1, "E1", "2020", {Normal(k11)}), Profesor(2, "E2", "2021", {Normal(k12)}),
      Profesor(3, "E3", "2022", {Normal(k21)}), Profesor(4, "EÑ", "", {Normal(k110)})},
     4,
     {}},
    {"SinProfesores", {}, {{"AB", "1", "1", "A1", "G1", "MA", ""}}, {}, 0, {}},
};

void PrintTo(const CasoHorarios& caso, std::ostream* os) {
  *os << caso.nombre << ": profesores " << caso.esperado.size() << ", actividades "
      << caso.actividades;
}

class HorariosProfesores : public testing::TestWithParam<CasoHorarios> {};

TEST_P(HorariosProfesores, EscribeCadaClaseConLosCodigosDeOdrana) {
  const CasoHorarios& caso = GetParam();
  CarpetaTemporal dir;
  CentroPrueba centro = CentroComun();
  centro.profesores = caso.profesores;
  centro.soluc = caso.soluc;
  EscribirCentro(dir.Ruta(), centro);
  EscribirFichero(dir / "base.xml", kBaseMinima);

  TablasFormulario tablas(dir.Ruta());
  const ResultadoImportacion r = Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);

  ASSERT_FALSE(r.faltaCursoAcad);
  EXPECT_EQ(r.fichero, dir / "ResultadoZorvoscentro.xml");
  EXPECT_EQ(r.profesores, caso.esperado.size());
  EXPECT_EQ(r.actividades, caso.actividades);
  EXPECT_EQ(r.sinPareja, caso.sinPareja);
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_EQ(LeerXML("--nuevo", r.fichero), Horarios(caso.esperado));
}

INSTANTIATE_TEST_SUITE_P(Casos, HorariosProfesores, testing::ValuesIn(kCasos), PorNombre());

// The same lesson through a SOLUC that another dBase writer made: extra
// fields, a different field order, numbers with decimals and a deleted row.
TEST(HorariosProfesoresSolucAjena, LeeLaTablaDeOtroProgramaSinLaFilaBorrada) {
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  CarpetaTemporal dir;
  CentroPrueba centro = CentroComun();
  centro.profesores = {{"AB", "E1", "2020"}, {"CD", "E2", "2021"}};
  EscribirCentro(dir.Ruta(), centro);
  std::filesystem::remove(dir / "SOLUC.DBF");
  const std::string guion =
      "import dbf\n"
      "t = dbf.Table('SOLUC.dbf', 'NOTA C(20); PROF C(4); PESO N(6,2); DIA N(2,0); HORA N(3,0); "
      "ASIG C(4); AULA C(4); CODGRUPO C(4); TAREA C(6); HECHO L', dbf_type='db3', "
      "codepage='cp1252')\n"
      "t.open(dbf.READ_WRITE)\n"
      "t.append(('uno', 'AB', 1.5, 1, 1, 'MA', 'A1', 'G1', '', True))\n"
      "t.append(('borrada', 'AB', 0, 1, 2, 'MA', 'A1', 'G1', '', False))\n"
      "t.append(('no es clase', 'AB', 0, 0, 0, 'MA', 'A1', 'G1', '', False))\n"
      "t.append(('otro', 'CD', 2.25, 1, 2, 'MA', 'Z\\xe9', 'G1', '', False))\n"
      "t.append(('tarea', 'AB', 0, 2, 1, 'GUAR', 'A1', '', 'GUAR', False))\n"
      "dbf.delete(t[1])\n"
      "t.close()\n";
  EscribirFichero(dir / "hacer.py", guion);
  ASSERT_EQ(Ejecutar("cd " + Comillas(dir.Ruta().string()) + " && " + kPython + " hacer.py"), 0);
  EscribirFichero(dir / "base.xml", kBaseMinima);

  TablasFormulario tablas(dir.Ruta());
  const ResultadoImportacion r = Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);

  EXPECT_EQ(LeerXML("--nuevo", r.fichero),
            Horarios({Profesor(1, "E1", "2020",
                               {Normal(k11), Clase(k21, "DEP-A1", "", "GUAR-O", "GUAR-L", "GUAR")}),
                      Profesor(2, "E2", "2021", {Clase(k12, "Zé", "1ºESO-A", "OF-1", "MAT-L")})}));
  EXPECT_EQ(r.actividades, 3u);
  EXPECT_EQ(r.sinPareja, (std::vector<CodigoSinPareja>{{"AULAT", "Z\xE9"}}));
}

// The academic-year dates come from CURSOACAD's first row, whatever it holds.
TEST(HorariosProfesoresCursoAcad, FechasDeLaPrimeraFilaEnCadaActividad) {
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  struct Caso {
    const char* nombre;
    Filas cursoAcad;
    std::string inicio, fin;
  };
  const Caso casos[] = {
      {"una fila", {{"2024", "01/09/2024", "30/06/2025"}}, "01/09/2024", "30/06/2025"},
      {"dos filas",
       {{"2023", "1/9/2023", "30/6/2024"}, {"2024", "X", "Y"}},
       "1/9/2023",
       "30/6/2024"},
      {"vacía", {}, "", ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CarpetaTemporal dir;
    CentroPrueba centro = CentroComun();
    centro.cursoAcad = caso.cursoAcad;
    centro.profesores = {{"AB", "E1", "2020"}};
    centro.soluc = {{"AB", "1", "1", "A1", "G1", "MA", ""}, {"AB", "1", "2", "A1", "G1", "MA", ""}};
    EscribirCentro(dir.Ruta(), centro);
    EscribirFichero(dir / "base.xml", kBaseMinima);
    TablasFormulario tablas(dir.Ruta());
    const ResultadoImportacion r =
        Importar(dir / "centro.xml", dir / "base.xml", dir.Ruta(), tablas);
    const auto clase = [&](const Tramo& t) {
      return Clase(t, "DEP-A1", "1ºESO-A", "OF-1", "MAT-L", "1", caso.inicio, caso.fin);
    };
    EXPECT_EQ(LeerXML("--nuevo", r.fichero),
              Horarios({Profesor(1, "E1", "2020", {clase(k11), clase(k12)})}));
  }
}

}  // namespace
}  // namespace transzorvos::prueba
