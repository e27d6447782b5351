#include "import/TablasPrueba.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "comun/Utilidades.h"
#include "tables/TablaDBF.h"

namespace transzorvos::prueba {
namespace {

struct Campo {
  const char* nombre;
  TipoCampo tipo;
  int ancho;
  int columna;  // the column of the fixture row it takes, or -1
  const char* relleno;
};

void Escribir(const std::filesystem::path& carpeta, const std::string& nombre,
              const std::vector<Campo>& campos, const Filas& filas) {
  TablaDBF t(carpeta, nombre);
  for (const Campo& c : campos) t.FieldDefs.Add(c.nombre, c.tipo, c.ancho);
  t.CreateTable();
  t.Open();
  for (const auto& fila : filas) {
    t.Append();
    for (const Campo& c : campos) {
      const std::string valor = c.columna >= 0 && static_cast<std::size_t>(c.columna) < fila.size()
                                    ? fila[c.columna]
                                    : c.relleno;
      CampoDBF f = t.FieldByName(c.nombre);
      switch (c.tipo) {
        case TipoCampo::Texto:
          f.SetAsString(valor);
          break;
        case TipoCampo::Entero:
          f.SetAsInteger(std::stoi(valor));
          break;
        case TipoCampo::Logico:
          f.SetAsBoolean(valor == "T");
          break;
        case TipoCampo::Flotante:
          f.SetAsFloat(std::stod(valor));
          break;
      }
    }
    t.Post();
  }
  t.Close();
}

constexpr TipoCampo C = TipoCampo::Texto;
constexpr TipoCampo N = TipoCampo::Entero;
constexpr TipoCampo L = TipoCampo::Logico;

}  // namespace

void EscribirSoluc(const std::filesystem::path& carpeta, const Filas& filas) {
  Escribir(carpeta, "SOLUC",
           {{"PROF", C, 4, 0, ""},
            {"DIA", N, 0, 1, "0"},
            {"HORA", N, 0, 2, "0"},
            {"AULA", C, 4, 3, ""},
            {"CODGRUPO", C, 4, 4, ""},
            {"ASIG", C, 4, 5, ""},
            {"TAREA", C, 4, 6, ""}},
           filas);
}

void EscribirCentro(const std::filesystem::path& carpeta, const CentroPrueba& centro) {
  if (centro.conCursoAcad)
    Escribir(carpeta, "CURSOACAD",
             {{"CURSOANNO", C, 4, 0, ""}, {"F_INICIO", C, 10, 1, ""}, {"F_FIN", C, 10, 2, ""}},
             centro.cursoAcad);
  Escribir(carpeta, "PROFT",
           {{"ABREV", C, 4, 0, ""},
            {"NOMBRE", C, 40, -1, "Nombre Apellido"},
            {"DEPART", C, 40, -1, "Departamento"},
            {"DNI", N, 0, -1, "12345678"},
            {"X_EMPLEADO", C, 10, 1, ""},
            {"F_TOMAPOS", C, 10, 2, ""}},
           centro.profesores);
  Escribir(carpeta, "AULAT",
           {{"ABREV", C, 4, 0, ""},
            {"NOMBRE", C, 40, -1, "Aula"},
            {"EDIFICIO", C, 1, -1, ""},
            {"MAXALUM", N, 0, -1, "30"},
            {"DEPCENTRO", C, 10, 1, ""}},
           centro.aulas);
  Escribir(carpeta, "GRUPOST",
           {{"ABREV", C, 4, 0, ""},
            {"TURNO", C, 1, -1, "M"},
            {"NIVEL", C, 5, -1, "ESO"},
            {"CURSO", C, 3, -1, "1"},
            {"GRUPO", C, 2, -1, "A"},
            {"UNIDAD", C, 10, 1, ""},
            {"OFERMATR", C, 10, -1, "OF"}},
           centro.grupos);
  Escribir(carpeta, "ASIGNOMT",
           {{"COD", C, 4, 0, ""},
            {"CODLARGO", C, 8, 1, ""},
            {"NOMBRE", C, 40, -1, "Materia"},
            {"OFERTAMATR", C, 8, 2, ""},
            {"CODTAREA", C, 12, -1, ""},
            {"ESTAREA", L, 0, 3, "F"}},
           centro.materias);
  Escribir(carpeta, "DIASHORAST",
           {{"DIHO", C, 10, 0, ""},
            {"CODDIHO", C, 10, 1, ""},
            {"DIA", C, 20, 2, ""},
            {"TEXTODIA", C, 20, -1, ""},
            {"HORA", C, 8, -1, "1"},
            {"TEXTOHOR", C, 8, -1, "1"},
            {"HORADESDE", C, 8, 3, ""},
            {"HORAHASTA", C, 8, 4, ""},
            {"MINUTOS", C, 8, -1, "60"}},
           centro.tramos);
  EscribirSoluc(carpeta, centro.soluc);
}

std::string Comillas(const std::string& texto) {
  std::string r = "'";
  for (char c : texto) {
    if (c == '\'')
      r += "'\\''";
    else
      r += c;
  }
  return r + "'";
}

std::string LeerXML(const std::string& modo, const std::filesystem::path& fichero) {
  std::string salida;
  const std::string orden = std::string(kPython) + " " +
                            Comillas(Muestra("import/leer_resultado.py").string()) + " " + modo +
                            " " + Comillas(fichero.string());
  const int estado = Ejecutar(orden, &salida);
  EXPECT_EQ(estado, 0) << orden;
  return estado == 0 ? salida : "";
}

}  // namespace transzorvos::prueba
