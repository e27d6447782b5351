// transzorvos exportar FICHERO.xml [--carpeta DIR]: the export run without a
// window. Prints each table as it is completed, so a run that fails part-way
// shows which tables were rebuilt.
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/Textos.h"
#include "cli/Consola.h"
#include "cli/Ordenes.h"
#include "export/Exportacion.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::cli {
namespace {

constexpr const char* kUsoExportar =
    "Uso: transzorvos exportar FICHERO.xml [--carpeta DIR]\n"
    "  Convierte el documento de intercambio FICHERO.xml en las siete tablas de\n"
    "  trabajo de la carpeta DIR (se crea si no existe). Sin --carpeta, la carpeta\n"
    "  por defecto.\n";

struct Argumentos {
  std::filesystem::path fichero;
  std::filesystem::path carpeta;
};

}  // namespace

int OrdenExportar(const std::vector<std::string>& args) {
  Argumentos a;
  bool hayFichero = false, hayCarpeta = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      Salida() << kUsoExportar;
      return kSalidaBien;
    }
    if (arg == "--carpeta" || arg.rfind("--carpeta=", 0) == 0) {
      if (hayCarpeta) return ErrorUso("--carpeta aparece más de una vez");
      std::string valor;
      if (arg == "--carpeta") {
        if (i + 1 >= args.size()) return ErrorUso("falta la carpeta tras --carpeta");
        valor = args[++i];
      } else {
        valor = arg.substr(std::string("--carpeta=").size());
      }
      if (valor.empty()) return ErrorUso("la carpeta de --carpeta está vacía");
      a.carpeta = RutaDeUtf8(valor);
      hayCarpeta = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return ErrorUso("opción desconocida para exportar: " + arg);
    } else {
      if (hayFichero)
        return ErrorUso("sobra el argumento " + arg + ": exportar lee un solo fichero");
      a.fichero = RutaDeUtf8(arg);
      hayFichero = true;
    }
  }
  if (!hayFichero) return ErrorUso("exportar necesita el fichero de intercambio");
  if (!hayCarpeta) a.carpeta = CarpetaPorDefecto();

  std::error_code ec;
  if (a.fichero.empty() || !std::filesystem::exists(a.fichero, ec) ||
      std::filesystem::is_directory(a.fichero, ec)) {
    Salida() << kNoExisteArchivo << std::endl;
    return kSalidaNoExiste;
  }

  try {
    // Loaded first: a document that cannot be read leaves the folder as it was.
    const std::unique_ptr<DocumentoXML> DocXML = CargarDocumento(a.fichero);
    if (!std::filesystem::is_directory(a.carpeta, ec)) {
      std::filesystem::create_directories(a.carpeta, ec);
      if (ec) {
        throw std::runtime_error("No se pudo crear la carpeta de trabajo " + Utf8DeRuta(a.carpeta) +
                                 ": " + ec.message());
      }
      Salida() << "Creada la carpeta de trabajo " << Utf8DeRuta(a.carpeta) << std::endl;
    }
    TablasFormulario tablas(a.carpeta);
    Exportar(*DocXML, a.carpeta, tablas, [](const TablaExportada& t) {
      Salida() << t.nombre << ".DBF: " << t.filas << (t.filas == 1 ? " fila" : " filas")
               << std::endl;
    });
  } catch (const std::exception& e) {
    Salida().flush();
    Errores() << "Error: " << e.what() << std::endl;
    return kSalidaError;
  }
  Salida() << kProcesoFinalizado << std::endl;
  return kSalidaBien;
}

}  // namespace transzorvos::cli
