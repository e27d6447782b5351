// Program entry of the Windows application: construct the form (its create
// handler decides docking and host mode), create its window, run the host's
// job as the form is shown, then the message loop until the form closes.
#ifdef _WIN32

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <exception>

#include "app/MainForm.h"
#include "app/PlataformaWin32.h"
#include "app/Textos.h"

int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, PWSTR, int mostrar) {
  using namespace transzorvos;
  INITCOMMONCONTROLSEX controles{sizeof controles, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controles);
  // The file dialog's shell views and the XML component want a COM apartment.
  const HRESULT ole = OleInitialize(nullptr);

  int salida = 0;
  try {
    PlataformaWin32 plataforma(instancia);
    TMForm MForm(plataforma);
    // A host window that does not exist ends the program here: the error has
    // been shown, no job runs and nothing is written for the host.
    if (!MForm.Crear() || !plataforma.CrearVentana(MForm)) {
      salida = 1;
    } else {
      // The show handler runs before the window is first drawn; when the
      // host's job closes the form, the window is never shown at all.
      MForm.Atender(&TMForm::FormShow);
      if (!MForm.Cerrado()) plataforma.Mostrar(mostrar);
      salida = plataforma.BucleMensajes();
    }
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, Ancho(e.what()).c_str(), Ancho(kTituloAplicacion).c_str(),
                MB_OK | MB_ICONERROR);
    salida = 1;
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return salida;
}

#endif  // _WIN32
