// The main form: its module-level state, its create, show and close handlers
// and the two runs behind its buttons. Portable: every platform service goes
// through PlataformaFormulario, so the same logic runs on Windows and in the
// Linux tests.
//
// Handlers raise on error, as the runs catch nothing; the platform's event
// dispatch (Atender, Crear) shows the message in an error box.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "app/Plataforma.h"
#include "exchange/DocumentoXML.h"
#include "tables/TablasFormulario.h"

namespace transzorvos {

// The host's window handle converted but names no window: the program cannot
// dock and must end without running the job.
class ErrorVentanaAnfitrion : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The integer conversion of "$" + `hexadecimal`: one or more hexadecimal
// digits (either case), nothing else, value within 32 bits. Otherwise throws
// std::runtime_error "'$<hexadecimal>' no es un valor entero válido".
std::uint32_t ConvertirManejador(std::string_view hexadecimal);

class TMForm {
 public:
  // The form keeps a reference to the platform, which must outlive it.
  explicit TMForm(PlataformaFormulario& plataforma);
  TMForm(const TMForm&) = delete;
  TMForm& operator=(const TMForm&) = delete;

  // Constructs the form: runs FormCreate; an error it raises is shown in an
  // error box and construction goes on. Returns false only when the host's
  // window does not exist: the error has been shown and the program must end
  // now, writing nothing.
  bool Crear();

  // Runs an event handler as the platform's dispatch does: an error it
  // raises ends the handler and its message is shown in an error box.
  void Atender(void (TMForm::*manejador)());

  // The form's close operation: FormClose, then the window goes and the
  // application ends. Once only; later calls do nothing. A settings file
  // that cannot be written is reported and the close goes on.
  void Cerrar();
  bool Cerrado() const { return cerrado_; }

  // Event handlers.
  void FormCreate();
  void FormShow();
  void FormClose();
  void BExportarClick();
  void BImportarClick();
  void Button1Click();
  // F1 on any control: help context 1 of the application's help file.
  void AyudaF1();

  std::filesystem::path FicheroXML;      // last exchange file confirmed
  std::unique_ptr<DocumentoXML> DocXML;  // document of the last export
  std::int32_t NumParametros = 0;        // 2 in host mode
  std::int32_t ResultadoProceso = 0;     // result code for the host
  std::filesystem::path FicheroAyuda;    // the application's help file
  TablasFormulario Tablas;               // the six form table components

 private:
  PlataformaFormulario& plataforma_;
  bool cerrado_ = false;
};

}  // namespace transzorvos
