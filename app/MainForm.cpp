#include "app/MainForm.h"

#include <string>
#include <vector>

#include "app/Textos.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "tables/TablaDBF.h"

namespace transzorvos {
namespace {

constexpr std::string_view kPalabraImportar = "importar";
constexpr std::string_view kPalabraExportar = "exportar";
constexpr std::string_view kFicheroIni = "Zorvan.ini";
constexpr std::string_view kSeccionIni = "Transformadores";
constexpr std::string_view kClaveIni = "Transformado";
constexpr std::string_view kBaseImportacion = "base.xml";
constexpr int kContextoAyuda = 1;

// The help file as start-up sets it, and as the help button sets it again
// (Windows file names ignore letter case).
const char* const kAyudaInicio = "\\zorvdr\\ODRANA.chm";
const char* const kAyudaBoton = "\\ZORVDR\\ODRANA.chm";

// Job words are compared after lower-casing ASCII letters only.
std::string MinusculasAscii(std::string_view texto) {
  std::string s(texto);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int ValorHexadecimal(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Restores the normal cursor when a run leaves by an error after setting the
// hourglass, so the user is not left with a busy cursor over an idle window.
class CursorDeEspera {
 public:
  explicit CursorDeEspera(PlataformaFormulario& p) : p_(p) {
    p_.PonerCursor(CursorPantalla::Espera);
  }
  ~CursorDeEspera() {
    if (activo_) p_.PonerCursor(CursorPantalla::Normal);
  }
  CursorDeEspera(const CursorDeEspera&) = delete;
  CursorDeEspera& operator=(const CursorDeEspera&) = delete;
  void Terminar() {
    activo_ = false;
    p_.PonerCursor(CursorPantalla::Normal);
  }

 private:
  PlataformaFormulario& p_;
  bool activo_ = true;
};

}  // namespace

std::uint32_t ConvertirManejador(std::string_view hexadecimal) {
  const std::string error =
      "'$" + std::string(hexadecimal) + "' no es un valor entero v\xC3\xA1lido";
  if (hexadecimal.empty()) throw std::runtime_error(error);
  std::uint64_t valor = 0;
  for (char c : hexadecimal) {
    const int d = ValorHexadecimal(c);
    if (d < 0) throw std::runtime_error(error);
    valor = valor * 16 + static_cast<std::uint64_t>(d);
    if (valor > 0xFFFFFFFFu) throw std::runtime_error(error);
  }
  return static_cast<std::uint32_t>(valor);
}

TMForm::TMForm(PlataformaFormulario& plataforma)
    : FicheroAyuda(kAyudaInicio), Tablas(plataforma.CarpetaTrabajo()), plataforma_(plataforma) {}

bool TMForm::Crear() {
  try {
    FormCreate();
  } catch (const ErrorVentanaAnfitrion& e) {
    plataforma_.MensajeError(e.what());
    return false;
  } catch (const std::exception& e) {
    plataforma_.MensajeError(e.what());
  }
  return true;
}

void TMForm::Atender(void (TMForm::*manejador)()) {
  try {
    (this->*manejador)();
  } catch (const std::exception& e) {
    plataforma_.MensajeError(e.what());
  } catch (...) {
    plataforma_.MensajeError("Error inesperado");
  }
}

void TMForm::Cerrar() {
  if (cerrado_) return;
  cerrado_ = true;
  // A settings file that cannot be written is reported once; refusing the
  // close would leave a window that can never be closed.
  try {
    FormClose();
  } catch (const std::exception& e) {
    plataforma_.MensajeError(e.what());
  }
  plataforma_.CerrarVentana();
}

void TMForm::FormCreate() {
  ResultadoProceso = 0;
  const std::vector<std::string> args = plataforma_.Argumentos();
  if (args.size() != 2) return;
  const std::uint32_t ventana = ConvertirManejador(args[1]);
  // A handle of 0 leaves the window top-level, though borderless and in host
  // mode. Any other handle must name a window to dock into.
  if (ventana != 0) {
    if (!plataforma_.EsVentana(ventana))
      throw ErrorVentanaAnfitrion("No existe la ventana del programa anfitri\xC3\xB3n $" + args[1] +
                                  ": el programa termina sin realizar el trabajo.");
    plataforma_.Acoplar(ventana);
  }
  plataforma_.QuitarBorde();
  NumParametros = static_cast<std::int32_t>(args.size());
}

void TMForm::FormShow() {
  const std::vector<std::string> args = plataforma_.Argumentos();
  if (args.size() != 2) return;
  if (MinusculasAscii(args[0]) == kPalabraImportar) BImportarClick();
  if (MinusculasAscii(args[0]) == kPalabraExportar) BExportarClick();
}

void TMForm::FormClose() {
  if (NumParametros != 2) return;
  plataforma_.EscribirEntero(plataforma_.CarpetaEjecutable() / kFicheroIni, kSeccionIni, kClaveIni,
                             ResultadoProceso);
}

void TMForm::BExportarClick() {
  if (auto elegido = plataforma_.DialogoAbrir()) FicheroXML = *elegido;
  if (!plataforma_.ExisteFichero(FicheroXML)) {
    plataforma_.Mensaje(kNoExisteArchivo);
    if (NumParametros == 2) {
      ResultadoProceso = -1;
      Cerrar();
    }
    return;
  }
  DocXML.reset();
  DocXML = CargarDocumento(FicheroXML);
  {
    CursorDeEspera espera(plataforma_);
    Exportar(*DocXML, plataforma_.CarpetaTrabajo(), Tablas);
    espera.Terminar();
  }
  ResultadoProceso = 1;
  plataforma_.Mensaje(kProcesoFinalizado);
  if (NumParametros == 2) Cerrar();
}

void TMForm::BImportarClick() {
  if (auto elegido = plataforma_.DialogoAbrir()) FicheroXML = *elegido;
  if (!plataforma_.ExisteFichero(FicheroXML)) {
    plataforma_.Mensaje(kNoExisteArchivo);
    if (NumParametros == 2) {
      ResultadoProceso = 0;
      Cerrar();
    }
    return;
  }
  const std::filesystem::path carpeta = plataforma_.CarpetaTrabajo();
  if (!ExisteTabla(carpeta, "CURSOACAD")) {
    plataforma_.Mensaje(kFaltaCursoAcad);
    return;
  }
  // The import builds its own document; the previous run's one is released.
  DocXML.reset();
  ResultadoImportacion resultado;
  {
    CursorDeEspera espera(plataforma_);
    // The open dialog made the chosen file's folder the current one.
    resultado = Importar(FicheroXML, std::filesystem::absolute(kBaseImportacion), carpeta, Tablas);
    espera.Terminar();
  }
  if (resultado.faltaCursoAcad) {  // removed between the test and the run
    plataforma_.Mensaje(kFaltaCursoAcad);
    return;
  }
  ResultadoProceso = 1;
  plataforma_.Mensaje(kProcesoFinalizado);
  if (NumParametros == 2) Cerrar();
}

void TMForm::Button1Click() {
  FicheroAyuda = kAyudaBoton;
  plataforma_.AyudaContenido(FicheroAyuda);
}

void TMForm::AyudaF1() {
  plataforma_.AyudaContexto(FicheroAyuda, kContextoAyuda);
}

}  // namespace transzorvos
