// anfitrion DIR: a stand-in for the host timetable program. It reads the
// tables an export left in DIR and writes a plausible, deterministic
// timetable solution SOLUC.DBF there, so the import can be tried end to end
// without the real host.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tables/TablaDBF.h"

namespace {

using transzorvos::DefinicionesCampos;
using transzorvos::TablaDBF;
using transzorvos::TipoCampo;

std::vector<std::string> Columna(const std::filesystem::path& carpeta, const std::string& tabla,
                                 const std::string& campo) {
  TablaDBF t(carpeta, tabla);
  t.Open();
  std::vector<std::string> valores;
  for (t.First(); !t.Eof(); t.Next()) valores.push_back(t.FieldByName(campo).AsString());
  return valores;
}

struct Materia {
  std::string cod;
  bool esTarea;
};

std::vector<Materia> Materias(const std::filesystem::path& carpeta) {
  TablaDBF t(carpeta, "ASIGNOMT");
  t.Open();
  std::vector<Materia> m;
  for (t.First(); !t.Eof(); t.Next())
    m.push_back({t.FieldByName("COD").AsString(), t.FieldByName("ESTAREA").AsBoolean()});
  return m;
}

// The slots of one day: the DIASHORAST rows of day 1.
int TramosPorDia(const std::filesystem::path& carpeta) {
  int n = 0;
  for (const std::string& dia : Columna(carpeta, "DIASHORAST", "DIA"))
    if (dia == "1") ++n;
  return n;
}

struct Fila {
  std::string prof;
  int dia, hora;
  std::string aula, grupo, asig, tarea;
};

// Picks item `i` of a list, or "" from an empty one.
const std::string& Elegir(const std::vector<std::string>& lista, std::size_t i) {
  static const std::string vacio;
  return lista.empty() ? vacio : lista[i % lista.size()];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Uso: anfitrion DIR\n"
                 "  Escribe DIR/SOLUC.DBF a partir de las tablas exportadas en DIR.\n";
    return 64;
  }
  const std::filesystem::path carpeta = argv[1];
  try {
    const std::vector<std::string> profesores = Columna(carpeta, "PROFT", "ABREV");
    const std::vector<std::string> grupos = Columna(carpeta, "GRUPOST", "ABREV");
    const std::vector<std::string> aulas = Columna(carpeta, "AULAT", "ABREV");
    const std::vector<Materia> materias = Materias(carpeta);
    const int tramos = TramosPorDia(carpeta);

    std::vector<std::size_t> clases, tareas;  // positions in `materias`
    for (std::size_t i = 0; i < materias.size(); ++i)
      (materias[i].esTarea ? tareas : clases).push_back(i);

    std::vector<Fila> filas;
    for (std::size_t p = 0; p < profesores.size() && tramos > 0; ++p) {
      // Every seventh teacher gets no lesson at all; the others between 4 and 12.
      if (p % 7 == 6) continue;
      const std::size_t lecciones = 4 + (p * 5) % 9;
      std::set<std::pair<int, int>> ocupado;
      for (std::size_t l = 0; l < lecciones; ++l) {
        int dia = 1 + static_cast<int>((p + l) % 5);
        int hora = 1 + static_cast<int>((p * 3 + l * 2) % static_cast<std::size_t>(tramos));
        // The first free slot from there on, so a teacher is never in two places.
        for (int intento = 0; ocupado.count({dia, hora}) && intento < 5 * tramos; ++intento) {
          hora = hora % tramos + 1;
          if (hora == 1) dia = dia % 5 + 1;
        }
        if (!ocupado.insert({dia, hora}).second) break;  // the week is full
        Fila f{profesores[p], dia, hora, Elegir(aulas, p * 7 + l), "", "", ""};
        if (!tareas.empty() && l % 6 == 5) {  // now and then a non-teaching activity
          f.asig = materias[tareas[(p + l) % tareas.size()]].cod;
          f.tarea = f.asig;
        } else {
          if (!clases.empty()) f.asig = materias[clases[(p * 11 + l) % clases.size()]].cod;
          f.grupo = Elegir(grupos, p * 3 + l);
        }
        filas.push_back(f);
        // Rows the host keeps for its own purposes, not lessons.
        if ((p + l) % 10 == 3) filas.push_back({profesores[p], 0, 0, "", "", f.asig, ""});
      }
    }

    TablaDBF soluc(carpeta, "SOLUC");
    DefinicionesCampos& defs = soluc.FieldDefs;
    defs.Clear();
    defs.Add("PROF", TipoCampo::Texto, 4);
    defs.Add("DIA", TipoCampo::Entero);
    defs.Add("HORA", TipoCampo::Entero);
    defs.Add("AULA", TipoCampo::Texto, 4);
    defs.Add("CODGRUPO", TipoCampo::Texto, 4);
    defs.Add("ASIG", TipoCampo::Texto, 4);
    defs.Add("TAREA", TipoCampo::Texto, 4);
    soluc.CreateTable();
    soluc.Open();
    for (const Fila& f : filas) {
      soluc.Append();
      soluc.FieldByName("PROF").SetAsString(f.prof);
      soluc.FieldByName("DIA").SetAsInteger(f.dia);
      soluc.FieldByName("HORA").SetAsInteger(f.hora);
      soluc.FieldByName("AULA").SetAsString(f.aula);
      soluc.FieldByName("CODGRUPO").SetAsString(f.grupo);
      soluc.FieldByName("ASIG").SetAsString(f.asig);
      soluc.FieldByName("TAREA").SetAsString(f.tarea);
      soluc.Post();
    }
    soluc.Close();

    std::size_t lecciones = 0;
    for (const Fila& f : filas) lecciones += f.dia != 0;
    std::cout << "SOLUC: " << filas.size() << " filas, " << lecciones << " clases de "
              << profesores.size() << " profesores\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "anfitrion: " << e.what() << "\n";
    return 2;
  }
}
