// The whole cycle on the bundled sample school: export, the stand-in host,
// import. The result is read with Python's XML parser and SOLUC and PROFT with
// python3-dbf, so no reader of ours judges our writer.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "comun/Utilidades.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "import/TablasPrueba.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::prueba {
namespace {

namespace fs = std::filesystem;

struct ProfesorLeido {
  std::string registros;
  std::map<std::string, std::string> datos;
  std::vector<std::map<std::string, std::string>> actividades;
};

// "key=value" words of a dump line after the element name; the value text of
// a dato is the part in brackets.
std::map<std::string, std::string> Atributos(const std::string& linea) {
  std::map<std::string, std::string> a;
  std::istringstream palabras(linea.substr(0, linea.find(" [")));
  std::string p;
  while (palabras >> p)
    if (auto igual = p.find('='); igual != std::string::npos)
      a[p.substr(0, igual)] = p.substr(igual + 1);
  if (auto abre = linea.find(" ["); abre != std::string::npos)
    a["[texto]"] = linea.substr(abre + 2, linea.size() - abre - 3);
  return a;
}

std::vector<ProfesorLeido> Leer(const std::string& volcado) {
  std::vector<ProfesorLeido> profesores;
  std::istringstream lineas(volcado);
  std::string l;
  while (std::getline(lineas, l)) {
    const std::size_t nivel = l.find_first_not_of(' ');
    const auto a = Atributos(l.substr(nivel));
    const bool grupo = l.compare(nivel, 11, "grupo_datos") == 0;
    if (nivel == 1 && grupo) {
      profesores.push_back({a.at("registros"), {}, {}});
    } else if (nivel == 2 && grupo) {
      profesores.back().actividades.emplace_back();
    } else if (nivel == 2) {
      profesores.back().datos[a.at("nombre_dato")] = a.at("[texto]");
    } else if (nivel == 3) {
      profesores.back().actividades.back()[a.at("nombre_dato")] = a.at("[texto]");
    }
  }
  return profesores;
}

TEST(CicloCompleto, ExportarAnfitrionImportarConLaMuestra) {
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  const fs::path centro = fs::path(TZO_SOURCE_DIR) / "data" / "centro" / "centro.xml";
  const fs::path base = fs::path(TZO_SOURCE_DIR) / "data" / "centro" / "base.xml";
  ASSERT_TRUE(fs::exists(centro));
  CarpetaTemporal dir;
  const fs::path qtemp = dir / "QTEMP";
  fs::create_directory(qtemp);

  TablasFormulario tablas(qtemp);
  Exportar(*CargarDocumento(centro), qtemp, tablas);
  ASSERT_EQ(Ejecutar(Comillas(TZO_ANFITRION) + " " + Comillas(qtemp.string()) + " >/dev/null"), 0);
  const ResultadoImportacion r = Importar(dir / "centro.xml", base, qtemp, tablas);
  EXPECT_TRUE(r.sinPareja.empty());

  // Lessons per teacher in PROFT order, counted by another dBase reader.
  EscribirFichero(dir / "contar.py",
                  "import dbf, sys\n"
                  "carpeta = sys.argv[1]\n"
                  "soluc = dbf.Table(carpeta + '/SOLUC.DBF'); soluc.open()\n"
                  "prof = dbf.Table(carpeta + '/PROFT.DBF'); prof.open()\n"
                  "for p in prof:\n"
                  "    n = sum(1 for s in soluc if s.prof.rstrip() == p.abrev.rstrip() and s.dia)\n"
                  "    print(n)\n");
  std::string conteo;
  ASSERT_EQ(Ejecutar(std::string(kPython) + " " + Comillas((dir / "contar.py").string()) + " " +
                         Comillas(qtemp.string()),
                     &conteo),
            0);
  std::vector<std::size_t> esperadas;
  std::istringstream numeros(conteo);
  for (std::size_t n; numeros >> n;) esperadas.push_back(n);
  ASSERT_EQ(esperadas.size(), 40u);  // the sample's staff

  const std::vector<ProfesorLeido> leidos = Leer(LeerXML("--nuevo", r.fichero));
  ASSERT_EQ(leidos.size(), esperadas.size());
  EXPECT_EQ(r.profesores, esperadas.size());

  std::set<std::string> fuente;
  {
    std::istringstream textos(LeerXML("--textos", centro));
    for (std::string t; std::getline(textos, t);) fuente.insert(t);
  }
  std::size_t actividades = 0, tareas = 0, sinClases = 0;
  std::set<std::string> empleados;
  for (std::size_t i = 0; i < leidos.size(); ++i) {
    SCOPED_TRACE("profesor " + std::to_string(i + 1));
    const ProfesorLeido& p = leidos[i];
    EXPECT_EQ(p.actividades.size(), esperadas[i]);
    EXPECT_EQ(p.registros, std::to_string(esperadas[i]));
    EXPECT_TRUE(fuente.count(p.datos.at("X_EMPLEADO"))) << p.datos.at("X_EMPLEADO");
    EXPECT_TRUE(fuente.count(p.datos.at("F_TOMAPOS"))) << p.datos.at("F_TOMAPOS");
    empleados.insert(p.datos.at("X_EMPLEADO"));
    actividades += p.actividades.size();
    sinClases += p.actividades.empty();
    for (const auto& a : p.actividades) {
      const bool esTarea = a.at("X_ACTIVIDAD") != "1";
      tareas += esTarea;
      for (const char* codigo :
           {"X_TRAMO", "X_DEPENDENCIA", "X_UNIDAD", "X_OFERTAMATRIG", "X_MATERIAOMG"}) {
        const std::string& v = a.at(codigo);
        if (esTarea && std::string(codigo) == "X_UNIDAD") continue;  // no group
        EXPECT_TRUE(fuente.count(v)) << codigo << " [" << v << "]";
      }
      EXPECT_EQ(a.at("F_INICIO"), "15/09/2026");
      EXPECT_EQ(a.at("F_FIN"), "23/06/2027");
    }
  }
  EXPECT_EQ(empleados.size(), leidos.size());
  EXPECT_EQ(r.actividades, actividades);
  EXPECT_GT(tareas, 0u);     // the host gave some non-teaching activities
  EXPECT_GT(sinClases, 0u);  // and left some teachers without lessons

  // The base's groups come first, unchanged in number and order.
  std::vector<std::string> grupos;
  std::istringstream todo(LeerXML("--todo", r.fichero));
  for (std::string l; std::getline(todo, l);)
    if (l.starts_with("  grupo_datos ")) grupos.push_back(Atributos(l).at("seq"));
  EXPECT_EQ(grupos, (std::vector<std::string>{"ANNO_ACADEMICO", "CENTRO", "HORARIOS_REGULARES"}));
}

}  // namespace
}  // namespace transzorvos::prueba
