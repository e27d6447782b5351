// transzorvos: runs the export or the import from the command line.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "cli/Consola.h"
#include "cli/Ordenes.h"
#ifdef _WIN32
#include "tables/ArchivoTabla.h"
#endif

namespace transzorvos::cli {
namespace {

constexpr const char* kUso =
    "Uso:\n"
    "  transzorvos exportar FICHERO.xml [--carpeta DIR]\n"
    "      Convierte el documento de intercambio FICHERO.xml en las siete tablas\n"
    "      de trabajo de la carpeta DIR.\n"
    "  transzorvos importar FICHERO.xml [--carpeta DIR] [--base FICHERO]\n"
    "      Escribe junto a FICHERO.xml el documento de resultado con el horario\n"
    "      que el programa de horarios dejó en SOLUC.DBF de la carpeta DIR.\n"
    "  transzorvos mostrar TABLA.DBF\n"
    "      Muestra los campos y las filas de una tabla dBase.\n"
    "  transzorvos --help\n"
    "\n"
    "Carpeta por defecto: C:\\QTEMP en Windows; en otros sistemas\n"
    "${WINEPREFIX:-$HOME/.wine}/drive_c/QTEMP.\n"
    "\n"
    "Salida: 0 bien; 1 no existe el fichero; 2 error; 3 falta CURSOACAD.DBF;\n"
    "64 uso incorrecto.\n"
    "\n"
    "Los textos salen en UTF-8 cuando la salida va a un fichero o a una tubería.\n";

int Principal(std::vector<std::string> args) {
  if (args.empty()) return ErrorUso("falta la orden");
  const std::string orden = args.front();
  args.erase(args.begin());
  if (orden == "--help" || orden == "-h" || orden == "ayuda") {
    Salida() << kUso;
    return kSalidaBien;
  }
  if (orden == "exportar") return OrdenExportar(args);
  if (orden == "importar") return OrdenImportar(args);
  if (orden == "mostrar") return OrdenMostrar(args);
  return ErrorUso("orden desconocida: " + orden);
}

}  // namespace

std::filesystem::path CarpetaPorDefecto() {
#ifdef _WIN32
  return std::filesystem::path("C:\\QTEMP");
#else
  const char* prefijo = std::getenv("WINEPREFIX");
  std::filesystem::path base;
  if (prefijo && *prefijo) {
    base = prefijo;
  } else {
    const char* casa = std::getenv("HOME");
    base = std::filesystem::path(casa ? casa : ".") / ".wine";
  }
  return base / "drive_c" / "QTEMP";
#endif
}

int ErrorUso(const std::string& motivo) {
  Salida().flush();
  if (!motivo.empty()) Errores() << "transzorvos: " << motivo << "\n\n";
  Errores() << kUso;
  return kSalidaUso;
}

}  // namespace transzorvos::cli

#ifdef _WIN32
// The wide entry point: the arguments as typed, whatever the ANSI code page.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(transzorvos::Utf8DeUtf16(argv[i]));
  return transzorvos::cli::Principal(std::move(args));
}
#else
int main(int argc, char** argv) {
  return transzorvos::cli::Principal(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
