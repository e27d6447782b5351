// transzorvos importar FICHERO.xml [--carpeta DIR] [--base FICHERO]
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/Textos.h"
#include "cli/Consola.h"
#include "cli/Ordenes.h"
#include "exchange/Ansi.h"
#include "import/Importacion.h"
#include "tables/TablasFormulario.h"

namespace transzorvos::cli {
namespace {

constexpr const char* kUsoImportar =
    "Uso: transzorvos importar FICHERO.xml [--carpeta DIR] [--base FICHERO]\n"
    "  Escribe junto a FICHERO.xml, como ResultadoZorvos<nombre>, el documento de\n"
    "  resultado con el horario que el programa de horarios dejó en SOLUC.DBF de la\n"
    "  carpeta DIR. FICHERO.xml solo presta su carpeta y su nombre. El documento\n"
    "  base es base.xml en la carpeta de FICHERO.xml, salvo que --base diga otro.\n";

// How each lookup table names what it holds, for the warnings.
std::string Aviso(const CodigoSinPareja& falta) {
  std::string que;
  if (falta.tabla == "AULAT")
    que = "el aula";
  else if (falta.tabla == "GRUPOST")
    que = "el grupo";
  else if (falta.tabla == "ASIGNOMT")
    que = "la materia";
  else if (falta.tabla == "DIASHORAST")
    que = "el tramo";
  else
    que = "el código";
  return "Aviso: " + que + " '" + AnsiAUtf8(falta.codigo) + "' no está en " + falta.tabla;
}

}  // namespace

int OrdenImportar(const std::vector<std::string>& args) {
  std::filesystem::path fichero, carpeta, base;
  bool hayFichero = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      Salida() << kUsoImportar;
      return kSalidaBien;
    }
    const bool esCarpeta = arg == "--carpeta" || arg.starts_with("--carpeta=");
    const bool esBase = arg == "--base" || arg.starts_with("--base=");
    if (esCarpeta || esBase) {
      const std::string opcion = esCarpeta ? "--carpeta" : "--base";
      std::filesystem::path& destino = esCarpeta ? carpeta : base;
      if (!destino.empty()) return ErrorUso(opcion + " aparece más de una vez");
      std::string valor;
      if (arg == opcion) {
        if (i + 1 >= args.size()) return ErrorUso("falta el valor tras " + opcion);
        valor = args[++i];
      } else {
        valor = arg.substr(opcion.size() + 1);
      }
      if (valor.empty()) return ErrorUso("el valor de " + opcion + " está vacío");
      destino = RutaDeUtf8(valor);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return ErrorUso("opción desconocida para importar: " + arg);
    } else {
      if (hayFichero)
        return ErrorUso("sobra el argumento " + arg + ": importar toma un solo fichero");
      fichero = RutaDeUtf8(arg);
      hayFichero = true;
    }
  }
  if (!hayFichero) return ErrorUso("importar necesita el fichero de intercambio");
  if (carpeta.empty()) carpeta = CarpetaPorDefecto();

  std::error_code ec;
  if (fichero.empty() || !std::filesystem::exists(fichero, ec) ||
      std::filesystem::is_directory(fichero, ec)) {
    Salida() << kNoExisteArchivo << std::endl;
    return kSalidaNoExiste;
  }
  // The base document sits beside the chosen file unless told otherwise.
  if (base.empty()) base = fichero.parent_path() / "base.xml";

  try {
    TablasFormulario tablas(carpeta);
    const ResultadoImportacion r = Importar(fichero, base, carpeta, tablas);
    if (r.faltaCursoAcad) {
      Salida() << kFaltaCursoAcad << std::endl;
      return kSalidaFaltaTabla;
    }
    for (const CodigoSinPareja& falta : r.sinPareja) Errores() << Aviso(falta) << "\n";
    Salida() << "Resultado: " << Utf8DeRuta(r.fichero) << "\n"
             << "Profesores: " << r.profesores << "\n"
             << "Actividades: " << r.actividades << "\n"
             << kProcesoFinalizado << std::endl;
    return kSalidaBien;
  } catch (const std::exception& e) {
    Salida().flush();
    Errores() << "Error: " << e.what() << "\n";
    return kSalidaError;
  }
}

}  // namespace transzorvos::cli
