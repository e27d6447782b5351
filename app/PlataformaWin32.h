// The Win32 platform of the main form: its window with the two job panels,
// the open dialog, message boxes, cursor, docking into the host's window, the
// host's settings file and HTML Help. Wide-character APIs throughout; texts
// cross to the form logic as UTF-8.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <string_view>

#include "app/MainForm.h"
#include "app/Plataforma.h"

namespace transzorvos {

// UTF-8 to UTF-16; text that is not valid UTF-8 is read in the ANSI code
// page instead, so a message is never lost.
std::wstring Ancho(std::string_view texto);

class PlataformaWin32 final : public PlataformaFormulario {
 public:
  explicit PlataformaWin32(HINSTANCE instancia);
  ~PlataformaWin32() override;
  PlataformaWin32(const PlataformaWin32&) = delete;
  PlataformaWin32& operator=(const PlataformaWin32&) = delete;

  // Creates the form's window, hidden: a child of the host's window when the
  // form was docked, borderless when asked, otherwise a fixed dialog-style
  // window. Shows an error box and returns false when it cannot.
  bool CrearVentana(TMForm& form);
  // Places the window by the screen-centring rule and makes it visible.
  void Mostrar(int modo);
  // Runs until the window is destroyed; returns the process exit code.
  int BucleMensajes();

  std::vector<std::string> Argumentos() const override;
  std::optional<std::filesystem::path> DialogoAbrir() override;
  bool ExisteFichero(const std::filesystem::path& fichero) const override;
  void Mensaje(std::string_view texto) override;
  void MensajeError(std::string_view texto) override;
  void PonerCursor(CursorPantalla cursor) override;
  bool EsVentana(std::uint32_t ventana) const override;
  void Acoplar(std::uint32_t ventana) override;
  void QuitarBorde() override { sinBorde_ = true; }
  void CerrarVentana() override;
  void EscribirEntero(const std::filesystem::path& fichero, std::string_view seccion,
                      std::string_view clave, int valor) override;
  void AyudaContenido(const std::filesystem::path& fichero) override;
  void AyudaContexto(const std::filesystem::path& fichero, int contexto) override;
  std::filesystem::path CarpetaEjecutable() const override;
  std::filesystem::path CarpetaTrabajo() const override;

 private:
  static LRESULT CALLBACK ProcVentana(HWND ventana, UINT msg, WPARAM w, LPARAM l);
  LRESULT Procesar(UINT msg, WPARAM w, LPARAM l);
  void Disponer(UINT dpi);  // fonts, glyphs and control places for a DPI
  void LiberarRecursos();
  void Pintar(HDC dc) const;
  void Pulsado(int id);
  void Ayuda(const std::filesystem::path& fichero, UINT orden, DWORD_PTR dato);
  int Escala(int pixeles) const { return MulDiv(pixeles, static_cast<int>(dpi_), 96); }

  HINSTANCE instancia_;
  HWND ventana_ = nullptr;
  HWND anfitrion_ = nullptr;  // parent window when docked
  bool sinBorde_ = false;
  TMForm* form_ = nullptr;
  UINT dpi_ = 96;
  HWND botones_[4] = {};  // in tab order: BClose, Button1, BExportar, BImportar
  HWND foco_ = nullptr;   // the control to give the focus back to
  HFONT fuente_ = nullptr;
  HFONT fuenteEtiqueta_ = nullptr;
  HFONT fuenteVersion_ = nullptr;
  HICON glifoAceptar_ = nullptr;
  HICON glifoSalir_ = nullptr;
  bool espera_ = false;
  std::wstring ultimoFichero_;  // the dialog opens on the last file chosen
  HMODULE hhctrl_ = nullptr;
  bool hhctrlProbado_ = false;
  FARPROC htmlHelp_ = nullptr;  // HtmlHelpW, loaded at run time
};

}  // namespace transzorvos

#endif  // _WIN32
