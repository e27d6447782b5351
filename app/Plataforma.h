// Everything the main form asks of the platform it runs on. The form logic
// (MainForm) is portable and talks only to this interface; the Windows front
// end implements it with Win32 calls, and the tests with a scripted double
// that records every call.
//
// Texts cross this interface as UTF-8; paths as std::filesystem::path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transzorvos {

enum class CursorPantalla { Normal, Espera };

class PlataformaFormulario {
 public:
  virtual ~PlataformaFormulario() = default;

  // The command-line arguments after the program's name, UTF-8.
  virtual std::vector<std::string> Argumentos() const = 0;

  // The open-file dialog for the exchange file: title "Archivo XML", filter
  // "*.xml|*.xml", default extension "xml", initial folder "c:\qtemp\odrana",
  // the file need not exist. Returns the full path the user confirmed, or
  // nothing when cancelled. On confirm the process's current folder becomes
  // the folder of the chosen file, as the system's open dialog does.
  virtual std::optional<std::filesystem::path> DialogoAbrir() = 0;

  // Whether a file (not a folder) exists at the path; false for an empty one.
  virtual bool ExisteFichero(const std::filesystem::path& fichero) const = 0;

  // A modal box with one OK button, captioned with the application title;
  // returns when the user has closed it.
  virtual void Mensaje(std::string_view texto) = 0;
  // The same as an error box.
  virtual void MensajeError(std::string_view texto) = 0;

  // The application-wide screen cursor.
  virtual void PonerCursor(CursorPantalla cursor) = 0;

  // Whether the handle names an existing window.
  virtual bool EsVentana(std::uint32_t ventana) const = 0;
  // The form's window becomes a child window of `ventana` (never 0).
  virtual void Acoplar(std::uint32_t ventana) = 0;
  // The form's window loses caption bar, border and system menu.
  virtual void QuitarBorde() = 0;
  // Destroys the form's window; the application then ends. The form has
  // already run its close handler.
  virtual void CerrarVentana() = 0;

  // Writes `valor` as a decimal integer under [seccion] clave= in the INI
  // file, creating file and section when missing and keeping every other
  // key. Throws std::runtime_error naming the file when it cannot.
  virtual void EscribirEntero(const std::filesystem::path& fichero, std::string_view seccion,
                              std::string_view clave, int valor) = 0;

  // Help from `fichero`: its table of contents, or the topic of a context
  // number. Does nothing when the help viewer is not available.
  virtual void AyudaContenido(const std::filesystem::path& fichero) = 0;
  virtual void AyudaContexto(const std::filesystem::path& fichero, int contexto) = 0;

  // The folder of the running executable.
  virtual std::filesystem::path CarpetaEjecutable() const = 0;
  // The working folder shared with the host ("C:\QTEMP").
  virtual std::filesystem::path CarpetaTrabajo() const = 0;
};

}  // namespace transzorvos
