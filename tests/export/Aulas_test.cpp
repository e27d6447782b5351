// ExportarAulas: rooms, with codes cut from their identifiers and kept unique.
#include "export/Ayudas.h"
#include "export/Exportacion.h"

namespace transzorvos::prueba {
namespace {

TEST_F(PruebaExportacion, Aulas) {
  const auto doc = Cargar({Grupo("DEPENDENCIAS", {
                                                     {"AULA101", "Laboratorio de Física"},
                                                     {"AULA102", "Aula 102", "ignorado", "30"},
                                                     {"aula103", "Aula 103"},
                                                     {"AULA-TALLER1", "Taller de Tecnología"},
                                                     {"  GIM \n", " Gimnasio "},
                                                     {"BIB"},  // skipped
                                                     {"BIB", ""},
                                                     {"", "Sin código"},
                                                 })});
  EXPECT_EQ(ExportarAulas(*doc, qtemp), 7u);
  EXPECT_EQ(Filas("AULAT"), (std::vector<Fila>{
                                {"AULA", "Laboratorio de Física", "", "", "AULA101"},
                                {"AUL1", "Aula 102", "", "", "AULA102"},
                                {"aul2", "Aula 103", "", "", "aula103"},
                                {"AUL3", "Taller de Tecnología", "", "", "AULA-TALLE"},
                                {"GIM", "Gimnasio", "", "", "GIM"},
                                {"BIB", "", "", "", "BIB"},
                                {"", "Sin código", "", "", ""},
                            }));
  EXPECT_EQ(Estructura(qtemp, "AULAT"),
            (std::vector<std::string>{"ABREV C 4 0", "NOMBRE C 40 0", "EDIFICIO C 1 0",
                                      "MAXALUM N 11 0", "DEPCENTRO C 10 0"}));
}

TEST_F(PruebaExportacion, AulasSinGrupo) {
  const auto doc = Cargar({GrupoCurso()});
  EXPECT_EQ(ExportarAulas(*doc, qtemp), 0u);
  EXPECT_TRUE(Filas("AULAT").empty());
}

}  // namespace
}  // namespace transzorvos::prueba
