// ExportarProfesores: teachers with abbreviations from their initials.
#include "export/Ayudas.h"
#include "export/Exportacion.h"

namespace transzorvos::prueba {
namespace {

using Textos = std::vector<std::string>;

// An employee record: identifier, F_TOMAPOS, department, then the name parts
// in the order the document holds them (second, third, first).
Valores Empleado(const std::string& id, const std::string& nombre, const std::string& apellido1,
                 const std::string& apellido2) {
  return {id, "01/09/2015", "Matemáticas", apellido1, apellido2, nombre};
}

TEST_F(PruebaExportacion, ProfesorCompleto) {
  const auto doc = Cargar({Grupo("EMPLEADOS", {Empleado("E1", "Ana", "García", "López")})});
  EXPECT_EQ(ExportarProfesores(*doc, qtemp), 1u);
  EXPECT_EQ(
      Filas("PROFT"),
      (std::vector<Fila>{{"AGL", "Ana García López", "Matemáticas", "", "E1", "01/09/2015"}}));
  EXPECT_EQ(Estructura(qtemp, "PROFT"),
            (Textos{"ABREV C 4 0", "NOMBRE C 40 0", "DEPART C 40 0", "DNI N 11 0",
                    "X_EMPLEADO C 10 0", "F_TOMAPOS C 10 0"}));
  // An independent reader sees DNI never set.
  TZO_REQUIERE_HERRAMIENTAS_DEBIAN();
  EXPECT_EQ(FilasPython(qtemp / "PROFT.DBF"),
            "AGL|Ana García López|Matemáticas|<nada>|E1|01/09/2015\n");
}

TEST_F(PruebaExportacion, ProfesoresConLasMismasIniciales) {
  std::vector<Valores> empleados;
  for (int i = 0; i < 11; ++i)
    empleados.push_back(Empleado(Numerado("E", i), "Ana", "García", "López"));
  empleados.push_back(Empleado("E11", "alberto", "gil", "lara"));
  empleados.push_back({"E12"});  // skipped: takes no abbreviation
  empleados.push_back(Empleado("E13", "Antonio", "Gómez", "Luna"));
  const auto doc = Cargar({Grupo("EMPLEADOS", empleados)});
  EXPECT_EQ(ExportarProfesores(*doc, qtemp), 13u);
  EXPECT_EQ(Columna("PROFT", "ABREV"),
            (Textos{"AGL", "AGL1", "AGL2", "AGL3", "AGL4", "AGL5", "AGL6", "AGL7", "AGL8", "AGL9",
                    "AG10", "ag11", "AG12"}));
}

TEST_F(PruebaExportacion, ProfesoresConPartesVaciasOLargas) {
  const auto doc = Cargar(
      {Grupo("EMPLEADOS",
             {
                 Empleado("E1", "Ana", "García", ""),
                 Empleado("E2", "Ana", "", "López"),
                 Empleado("E3", "", "", ""),
                 Empleado("E4", "  ", "\t", "\n"),
                 Empleado(" E5 ", " Ana\n", " Pérez ", "\tRuiz "),
                 Empleado("E6789012345", "María de los Ángeles", "Fernández-Villaverde", "Sánchez"),
                 {"E7", "01/09/2020"},  // two values: the missing ones are empty
                 {"E8", "01/09/2021", "Lengua", "Sanz"},
             })});
  EXPECT_EQ(ExportarProfesores(*doc, qtemp), 8u);
  EXPECT_EQ(Filas("PROFT"), (std::vector<Fila>{
                                {"AG", "Ana García", "Matemáticas", "", "E1", "01/09/2015"},
                                {"AL", "Ana  López", "Matemáticas", "", "E2", "01/09/2015"},
                                {"", "", "Matemáticas", "", "E3", "01/09/2015"},
                                {"1", "", "Matemáticas", "", "E4", "01/09/2015"},
                                {"APR", "Ana Pérez Ruiz", "Matemáticas", "", "E5", "01/09/2015"},
                                {"MFS", "María de los Ángeles Fernández-Villaverd", "Matemáticas",
                                 "", "E678901234", "01/09/2015"},
                                {"2", "", "", "", "E7", "01/09/2020"},
                                {"S", " Sanz", "Lengua", "", "E8", "01/09/2021"},
                            }));
}

}  // namespace
}  // namespace transzorvos::prueba
