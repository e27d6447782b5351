// anfitrion_prueba [NOMBRE=VALOR...] [GUION | -c PASO...]: a scriptable test
// host for the Windows program. It owns a window, starts the program with a
// job word and that window's handle, and drives the program's open dialog,
// message boxes and buttons through ordinary window messages, the way a user
// or the real host would, so the end-to-end tests exercise the real .exe.
//
// Steps, one a line (# starts a comment; "..." quotes a word, \" and \n
// inside quotes; ${NOMBRE} is replaced by a variable):
//   plazo SEGUNDOS             time allowed to each later step (default 60)
//   carpeta                    fresh temporary folder ${CARPETA} holding a copy
//                              of ${PROGRAMA} (${EXE}) and of centro.xml and
//                              base.xml from ${DATOS}
//   vaciar CARPETA             deletes the files in a folder (creates it)
//   escribir FICHERO TEXTO     writes a file
//   lanzar ARG...              starts ${EXE} ARG... (${HOST}: this window's
//                              handle in hex digits); again once it ended
//   abrir FICHERO / cancelar   types a name in the open dialog and confirms it,
//                              or cancels it
//   mensaje TEXTO              a message box with that text and the program's
//                              caption: pressed OK
//   boton ID                   presses a button of the program's window
//   comprobar-hijo [visible]   the program's window is a borderless child of
//                              this window (and, if asked, visible)
//   comprobar-libre            the program's window is a visible top-level
//                              window with its caption bar
//   sin-dialogo                the program shows no dialog or message now
//   esperar-fin [CODIGO]       the program ends (with that exit code)
//   existe / no-existe FICHERO
//   contiene FICHERO TEXTO     the file holds these bytes (UTF-8)
//   filas FICHERO.DBF N        the dBase table holds N records
//   ini FICHERO SECCION CLAVE VALOR   the settings file holds that value
//   ejecutar PROGRAMA ARG...   runs a helper program, which must exit with 0
// Exit status: 0 when every step passed, 1 on a mismatch or a timeout (the
// reason is printed), 2 on a bad script, 77 when there is no display to
// show windows on (the test is skipped).
#ifdef _WIN32

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSalidaFallo = 1;
constexpr int kSalidaGuion = 2;
constexpr int kSalidaSinPantalla = 77;

constexpr wchar_t kClaseAnfitrion[] = L"AnfitrionPrueba";
constexpr wchar_t kClasePrograma[] = L"TMForm";
constexpr wchar_t kClaseDialogo[] = L"#32770";
constexpr wchar_t kTituloAbrir[] = L"Archivo XML";
constexpr wchar_t kTituloMensajes[] = L"TransZorvosOdrana";
constexpr wchar_t kTituloPrograma[] = L"Exportar e importar datos entre Zorvan y Odrana";

// The open dialog's file-name box: Wine 8 uses the combo box cmb13, other
// versions and Windows the edit box edt1.
constexpr int kIdComboNombre = 0x47C;
constexpr int kIdEditNombre = 0x480;
// The text of a message box.
constexpr int kIdTextoMensaje = 0xFFFF;

// A step that did not see what it expected, or not in time.
class Fallo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A script that cannot be understood.
class ErrorGuion : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::wstring Ancho(const std::string& texto) {
  if (texto.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring r(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), r.data(), n);
  return r;
}

std::string Utf8(const std::wstring& texto) {
  if (texto.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), r.data(), n,
                      nullptr, nullptr);
  return r;
}

void Decir(const std::string& linea) {
  std::fwrite(linea.data(), 1, linea.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Decir(const std::wstring& linea) {
  Decir(Utf8(linea));
}

std::wstring Hex(DWORD valor) {
  wchar_t texto[16];
  std::swprintf(texto, 16, L"%lX", static_cast<unsigned long>(valor));
  return texto;
}

// Window handles are 32-bit values even on 64-bit Windows.
DWORD Valor32(HWND ventana) {
  return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(ventana) & 0xFFFFFFFFu);
}

std::wstring Clase(HWND ventana) {
  wchar_t texto[256] = L"";
  GetClassNameW(ventana, texto, 256);
  return texto;
}

// The text of a window of another process, asked of its own thread (which
// also answers for controls that keep their text themselves).
std::wstring Texto(HWND ventana) {
  DWORD_PTR largo = 0;
  if (!SendMessageTimeoutW(ventana, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &largo))
    return {};
  std::wstring texto(static_cast<std::size_t>(largo) + 1, L'\0');
  DWORD_PTR copiados = 0;
  if (!SendMessageTimeoutW(ventana, WM_GETTEXT, texto.size(),
                           reinterpret_cast<LPARAM>(texto.data()), SMTO_ABORTIFHUNG, 5000,
                           &copiados))
    return {};
  texto.resize(static_cast<std::size_t>(copiados));
  return texto;
}

DWORD ProcesoDe(HWND ventana) {
  DWORD pid = 0;
  GetWindowThreadProcessId(ventana, &pid);
  return pid;
}

// Window enumeration callback: a named CALLBACK function, because on 32-bit
// Windows WNDENUMPROC is __stdcall and a lambda does not convert to it.
BOOL CALLBACK Juntar(HWND v, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(v);
  return TRUE;
}

std::vector<HWND> VentanasSuperiores() {
  std::vector<HWND> r;
  EnumWindows(Juntar, reinterpret_cast<LPARAM>(&r));
  return r;
}

std::vector<HWND> Descendientes(HWND padre) {
  std::vector<HWND> r;
  EnumChildWindows(padre, Juntar, reinterpret_cast<LPARAM>(&r));
  return r;
}

// A control with that id anywhere inside the window.
HWND ControlPorId(HWND ventana, int id) {
  for (HWND v : Descendientes(ventana))
    if (GetDlgCtrlID(v) == id) return v;
  return nullptr;
}

LRESULT CALLBACK ProcAnfitrion(HWND ventana, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_CLOSE) return 0;  // only the test ends this window
  return DefWindowProcW(ventana, msg, w, l);
}

// Splits a script line into words: blanks separate, "..." quotes, # starts a
// comment outside quotes.
std::vector<std::wstring> Palabras(const std::wstring& linea) {
  std::vector<std::wstring> r;
  std::size_t i = 0;
  while (i < linea.size()) {
    while (i < linea.size() && iswspace(linea[i])) ++i;
    if (i >= linea.size() || linea[i] == L'#') break;
    std::wstring palabra;
    if (linea[i] == L'"') {
      ++i;
      bool cerrada = false;
      while (i < linea.size()) {
        const wchar_t c = linea[i++];
        if (c == L'"') {
          cerrada = true;
          break;
        }
        if (c == L'\\' && i < linea.size() && (linea[i] == L'"' || linea[i] == L'n')) {
          palabra += linea[i] == L'n' ? L'\n' : L'"';
          ++i;
        } else {
          palabra += c;
        }
      }
      if (!cerrada) throw ErrorGuion("comillas sin cerrar");
    } else {
      while (i < linea.size() && !iswspace(linea[i])) palabra += linea[i++];
    }
    r.push_back(palabra);
  }
  return r;
}

// One argument of a command line, quoted so that the C runtime's parser
// gives it back unchanged.
std::wstring Citar(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring r = L"\"";
  std::size_t barras = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++barras;
      continue;
    }
    r.append(c == L'"' ? barras * 2 + 1 : barras, L'\\');
    barras = 0;
    r += c;
  }
  r.append(barras * 2, L'\\');
  return r + L"\"";
}

class Anfitrion {
 public:
  explicit Anfitrion(std::map<std::wstring, std::wstring> variables)
      : variables_(std::move(variables)) {}
  Anfitrion(const Anfitrion&) = delete;
  Anfitrion& operator=(const Anfitrion&) = delete;

  ~Anfitrion() {
    // A failed test leaves no program behind.
    if (proceso_.hProcess) {
      if (WaitForSingleObject(proceso_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(proceso_.hProcess, 99);
      CloseHandle(proceso_.hProcess);
      CloseHandle(proceso_.hThread);
    }
    if (ventana_) DestroyWindow(ventana_);
  }

  void CrearVentana() {
    WNDCLASSEXW clase{};
    clase.cbSize = sizeof clase;
    clase.lpfnWndProc = ProcAnfitrion;
    clase.hInstance = GetModuleHandleW(nullptr);
    clase.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    clase.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
    clase.lpszClassName = kClaseAnfitrion;
    RegisterClassExW(&clase);
    ventana_ = CreateWindowExW(0, kClaseAnfitrion, L"Anfitrion de prueba",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 1000, 700,
                               nullptr, nullptr, clase.hInstance, nullptr);
    if (!ventana_) throw Fallo("no se pudo crear la ventana del anfitrion");
    variables_[L"HOST"] = Hex(Valor32(ventana_));
    Bombear();
    Decir(L"anfitrion: ventana " + variables_[L"HOST"]);
  }

  void Ejecutar(const std::vector<std::wstring>& paso) {
    const std::wstring& orden = paso[0];
    auto args = [&](std::size_t n) {
      if (paso.size() != n + 1)
        throw ErrorGuion(Utf8(orden) + ": espera " + std::to_string(n) + " argumento(s)");
    };
    if (orden == L"plazo") {
      args(1);
      plazo_ = std::chrono::seconds(std::stoi(paso[1]));
    } else if (orden == L"carpeta") {
      args(0);
      Carpeta();
    } else if (orden == L"vaciar") {
      args(1);
      Vaciar(paso[1]);
    } else if (orden == L"escribir") {
      args(2);
      Escribir(paso[1], paso[2]);
    } else if (orden == L"lanzar") {
      Lanzar(std::vector<std::wstring>(paso.begin() + 1, paso.end()));
    } else if (orden == L"abrir") {
      args(1);
      Dialogo(&paso[1]);
    } else if (orden == L"cancelar") {
      args(0);
      Dialogo(nullptr);
    } else if (orden == L"mensaje") {
      args(1);
      Mensaje(paso[1]);
    } else if (orden == L"boton") {
      args(1);
      Boton(std::stoi(paso[1], nullptr, 0));
    } else if (orden == L"comprobar-hijo") {
      if (paso.size() > 2 || (paso.size() == 2 && paso[1] != L"visible"))
        throw ErrorGuion("comprobar-hijo [visible]");
      ComprobarHijo(paso.size() == 2);
    } else if (orden == L"sin-dialogo") {
      args(0);
      SinDialogo();
    } else if (orden == L"comprobar-libre") {
      args(0);
      ComprobarLibre();
    } else if (orden == L"esperar-fin") {
      if (paso.size() > 2) throw ErrorGuion("esperar-fin [CODIGO]");
      EsperarFin(paso.size() == 2 ? &paso[1] : nullptr);
    } else if (orden == L"existe" || orden == L"no-existe") {
      args(1);
      Existe(paso[1], orden == L"existe");
    } else if (orden == L"contiene") {
      args(2);
      Contiene(paso[1], paso[2]);
    } else if (orden == L"filas") {
      args(2);
      Filas(paso[1], std::stoul(paso[2]));
    } else if (orden == L"ini") {
      args(4);
      Ini(paso[1], paso[2], paso[3], paso[4]);
    } else if (orden == L"ejecutar") {
      if (paso.size() < 2) throw ErrorGuion("ejecutar PROGRAMA ARG...");
      EjecutarAyudante(std::vector<std::wstring>(paso.begin() + 1, paso.end()));
    } else {
      throw ErrorGuion("orden desconocida: " + Utf8(orden));
    }
  }

  std::wstring Expandir(const std::wstring& texto) const {
    std::wstring r;
    for (std::size_t i = 0; i < texto.size();) {
      if (texto.compare(i, 2, L"${") == 0) {
        const std::size_t fin = texto.find(L'}', i);
        if (fin == std::wstring::npos) throw ErrorGuion("${ sin cerrar en " + Utf8(texto));
        const std::wstring nombre = texto.substr(i + 2, fin - i - 2);
        auto v = variables_.find(nombre);
        if (v == variables_.end()) throw ErrorGuion("variable sin valor: " + Utf8(nombre));
        r += v->second;
        i = fin + 1;
      } else {
        r += texto[i++];
      }
    }
    return r;
  }

  // The temporary folder is removed when the whole script passed, kept for a
  // look otherwise.
  void Limpiar() {
    if (carpeta_.empty()) return;
    Vaciar(carpeta_);
    RemoveDirectoryW(carpeta_.c_str());
  }

  const std::wstring& CarpetaTemporal() const { return carpeta_; }

 private:
  using Reloj = std::chrono::steady_clock;

  // Handles the messages of this thread's window: the program's window,
  // being its child, sends some to it and waits for the answer.
  void Bombear() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // Waits, with short pauses that keep the messages flowing, until `hecho`
  // is true. A program that ends meanwhile fails the step unless the step
  // waits for exactly that.
  template <typename F>
  void Esperar(const std::string& que, F hecho, bool finPermitido = false) {
    const auto limite = Reloj::now() + plazo_;
    for (;;) {
      Bombear();
      if (hecho()) return;
      if (!finPermitido && proceso_.hProcess &&
          WaitForSingleObject(proceso_.hProcess, 0) == WAIT_OBJECT_0) {
        DWORD codigo = 0;
        GetExitCodeProcess(proceso_.hProcess, &codigo);
        throw Fallo("el programa termino (codigo " + std::to_string(codigo) +
                    ") mientras se esperaba " + que);
      }
      if (Reloj::now() >= limite)
        throw Fallo("tiempo agotado (" + std::to_string(plazo_.count()) + " s) esperando " + que +
                    QueSeVe());
      const HANDLE h = proceso_.hProcess;
      MsgWaitForMultipleObjects(h ? 1 : 0, h ? &h : nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }

  // What the program shows, for a failure's message.
  std::string QueSeVe() const {
    std::string r;
    if (!proceso_.hProcess) return r;
    for (HWND d : Dialogos())
      r += "; se ve \"" + Utf8(Texto(d)) + "\": \"" + Utf8(TextoMensaje(d)) + "\"";
    return r;
  }

  void RequerirPrograma() const {
    if (!proceso_.hProcess) throw ErrorGuion("no se ha lanzado el programa");
  }

  // The visible dialogs of the program: the open dialog and message boxes.
  std::vector<HWND> Dialogos() const {
    std::vector<HWND> r;
    for (HWND v : VentanasSuperiores())
      if (ProcesoDe(v) == proceso_.dwProcessId && IsWindowVisible(v) && Clase(v) == kClaseDialogo)
        r.push_back(v);
    return r;
  }

  HWND UnDialogo(const std::string& que) {
    HWND dialogo = nullptr;
    Esperar(que, [&] {
      const std::vector<HWND> d = Dialogos();
      if (d.empty()) return false;
      dialogo = d.front();
      return true;
    });
    return dialogo;
  }

  // Waits until the dialog just answered is gone, so the next step cannot
  // mistake it for a new one. A confirmation the dialog missed is sent again.
  void EsperarCierre(HWND dialogo, const std::string& que, const std::function<void()>& pulsar) {
    pulsar();
    auto ultimo = Reloj::now();
    Esperar("que se cierre " + que, [&] {
      if (!IsWindow(dialogo) || !IsWindowVisible(dialogo)) return true;
      if (Reloj::now() - ultimo > std::chrono::seconds(5)) {
        Decir("  (sin respuesta: se repite)");
        pulsar();
        ultimo = Reloj::now();
      }
      return false;
    });
  }

  void Carpeta() {
    wchar_t temporal[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, temporal)) throw Fallo("sin carpeta temporal");
    carpeta_ = std::wstring(temporal) + L"tzo-e2e-" + Hex(GetCurrentProcessId()) + L"-" +
               Hex(GetTickCount());
    if (!CreateDirectoryW(carpeta_.c_str(), nullptr))
      throw Fallo("no se pudo crear " + Utf8(carpeta_));
    variables_[L"CARPETA"] = carpeta_;
    const std::wstring exe = carpeta_ + L"\\TransZorvosOdrana.exe";
    Copiar(Expandir(L"${PROGRAMA}"), exe);
    variables_[L"EXE"] = exe;
    for (const wchar_t* f : {L"centro.xml", L"base.xml"})
      Copiar(Expandir(L"${DATOS}") + L"\\" + f, carpeta_ + L"\\" + f);
    Decir(L"  carpeta " + carpeta_);
  }

  static void Copiar(const std::wstring& de, const std::wstring& a) {
    if (!CopyFileW(de.c_str(), a.c_str(), FALSE))
      throw Fallo("no se pudo copiar " + Utf8(de) + " a " + Utf8(a));
  }

  static void Vaciar(const std::wstring& carpeta) {
    CreateDirectoryW(carpeta.c_str(), nullptr);
    WIN32_FIND_DATAW datos;
    HANDLE busqueda = FindFirstFileW((carpeta + L"\\*").c_str(), &datos);
    if (busqueda == INVALID_HANDLE_VALUE) return;
    do {
      if (datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::wstring f = carpeta + L"\\" + datos.cFileName;
      if (!DeleteFileW(f.c_str())) {
        FindClose(busqueda);
        throw Fallo("no se pudo borrar " + Utf8(f));
      }
    } while (FindNextFileW(busqueda, &datos));
    FindClose(busqueda);
  }

  static void Escribir(const std::wstring& fichero, const std::wstring& texto) {
    std::ofstream f(fichero.c_str(), std::ios::binary | std::ios::trunc);
    const std::string bytes = Utf8(texto);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush()) throw Fallo("no se pudo escribir " + Utf8(fichero));
  }

  void Lanzar(const std::vector<std::wstring>& argumentos) {
    if (proceso_.hProcess) {
      if (WaitForSingleObject(proceso_.hProcess, 0) != WAIT_OBJECT_0)
        throw ErrorGuion("el programa lanzado antes sigue en marcha");
      CloseHandle(proceso_.hProcess);
      CloseHandle(proceso_.hThread);
      proceso_ = {};
    }
    const std::wstring exe = Expandir(L"${EXE}");
    std::wstring linea = Citar(exe);
    for (const std::wstring& a : argumentos) linea += L" " + Citar(a);
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    const std::wstring carpeta = variables_.count(L"CARPETA") ? variables_[L"CARPETA"] : L"";
    if (!CreateProcessW(exe.c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        carpeta.empty() ? nullptr : carpeta.c_str(), &inicio, &proceso_))
      throw Fallo("no se pudo lanzar " + Utf8(exe) + " (error " + std::to_string(GetLastError()) +
                  ")");
    Decir(L"  proceso " + std::to_wstring(proceso_.dwProcessId) + L": " + linea);
  }

  void Dialogo(const std::wstring* fichero) {
    RequerirPrograma();
    HWND dialogo = UnDialogo("el dialogo de abrir");
    const std::wstring titulo = Texto(dialogo);
    if (titulo != kTituloAbrir)
      throw Fallo("se esperaba el dialogo \"Archivo XML\" y aparecio \"" + Utf8(titulo) +
                  "\" con el texto \"" + Utf8(TextoMensaje(dialogo)) + "\"");
    if (!fichero) {
      Decir("  visto: dialogo \"Archivo XML\"; se cancela");
      EsperarCierre(dialogo, "el dialogo de abrir", [&] {
        PostMessageW(dialogo, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialogo, IDCANCEL)));
      });
      return;
    }
    HWND caja = nullptr;
    // The combo box passes the text on to the edit box inside it.
    Esperar("la caja del nombre de fichero", [&] {
      caja = ControlPorId(dialogo, kIdComboNombre);
      if (!caja) caja = ControlPorId(dialogo, kIdEditNombre);
      return caja != nullptr;
    });
    Decir(L"  visto: dialogo \"Archivo XML\"; caja " + Clase(caja) + L" " +
          Hex(static_cast<DWORD>(GetDlgCtrlID(caja))) + L"; se abre " + *fichero);
    EsperarCierre(dialogo, "el dialogo de abrir", [&] {
      DWORD_PTR r = 0;
      SendMessageTimeoutW(caja, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fichero->c_str()),
                          SMTO_ABORTIFHUNG, 5000, &r);
      if (Texto(caja) != *fichero) throw Fallo("la caja del nombre no tomo el texto");
      PostMessageW(dialogo, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialogo, IDOK)));
    });
  }

  // A message box's text: its static control 0xFFFF, or failing that its
  // only static with text.
  static std::wstring TextoMensaje(HWND dialogo) {
    if (HWND t = GetDlgItem(dialogo, kIdTextoMensaje)) return Texto(t);
    for (HWND v : Descendientes(dialogo)) {
      if (_wcsicmp(Clase(v).c_str(), L"Static") != 0) continue;
      if ((GetWindowLongW(v, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
      std::wstring t = Texto(v);
      if (!t.empty()) return t;
    }
    return {};
  }

  void Mensaje(const std::wstring& esperado) {
    RequerirPrograma();
    HWND dialogo = UnDialogo("el mensaje \"" + Utf8(esperado) + "\"");
    const std::wstring titulo = Texto(dialogo);
    const std::wstring texto = TextoMensaje(dialogo);
    Decir(L"  visto: mensaje \"" + texto + L"\" titulo \"" + titulo + L"\"");
    if (titulo == kTituloAbrir)
      throw Fallo("se esperaba el mensaje \"" + Utf8(esperado) +
                  "\" y aparecio el dialogo de abrir");
    if (titulo != kTituloMensajes)
      throw Fallo("titulo del mensaje \"" + Utf8(titulo) + "\", se esperaba \"" +
                  Utf8(kTituloMensajes) + "\"");
    if (texto != esperado)
      throw Fallo("texto del mensaje \"" + Utf8(texto) + "\", se esperaba \"" + Utf8(esperado) +
                  "\"");
    EsperarCierre(dialogo, "el mensaje", [&] {
      PostMessageW(dialogo, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialogo, IDOK)));
    });
  }

  // Meant after a step that waited for the main window: the program shows
  // no dialog or message at that moment.
  void SinDialogo() {
    RequerirPrograma();
    const std::vector<HWND> d = Dialogos();
    if (!d.empty())
      throw Fallo("el programa muestra \"" + Utf8(Texto(d.front())) + "\" \"" +
                  Utf8(TextoMensaje(d.front())) + "\"");
    Decir("  visto: ningun dialogo");
  }

  // The program's main window: docked in this window or top-level.
  HWND VentanaPrograma() const {
    for (HWND v = FindWindowExW(ventana_, nullptr, kClasePrograma, nullptr); v;
         v = FindWindowExW(ventana_, v, kClasePrograma, nullptr))
      if (ProcesoDe(v) == proceso_.dwProcessId) return v;
    for (HWND v : VentanasSuperiores())
      if (ProcesoDe(v) == proceso_.dwProcessId && Clase(v) == kClasePrograma) return v;
    return nullptr;
  }

  HWND EsperarVentanaPrograma(bool visible) {
    HWND v = nullptr;
    Esperar(visible ? "la ventana del programa, visible" : "la ventana del programa", [&] {
      v = VentanaPrograma();
      return v && (!visible || IsWindowVisible(v));
    });
    return v;
  }

  void Boton(int id) {
    RequerirPrograma();
    HWND ventana = EsperarVentanaPrograma(true);
    HWND boton = GetDlgItem(ventana, id);
    if (!boton) throw Fallo("la ventana del programa no tiene el boton " + std::to_string(id));
    Decir(L"  visto: boton " + std::to_wstring(id) + L" \"" + Texto(boton) + L"\"; se pulsa");
    PostMessageW(boton, BM_CLICK, 0, 0);
  }

  void ComprobarHijo(bool visible) {
    RequerirPrograma();
    HWND v = EsperarVentanaPrograma(visible);
    const DWORD estilo = static_cast<DWORD>(GetWindowLongW(v, GWL_STYLE));
    const DWORD extendido = static_cast<DWORD>(GetWindowLongW(v, GWL_EXSTYLE));
    Decir(L"  visto: ventana " + Hex(Valor32(v)) + L" estilo " + Hex(estilo) + L" extendido " +
          Hex(extendido) + (IsWindowVisible(v) ? L" visible" : L" oculta"));
    if (GetParent(v) != ventana_ || GetAncestor(v, GA_PARENT) != ventana_)
      throw Fallo("la ventana del programa no es hija de la ventana del anfitrion");
    if (!(estilo & WS_CHILD)) throw Fallo("la ventana del programa no tiene el estilo WS_CHILD");
    if (estilo & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU))
      throw Fallo("la ventana del programa tiene borde o barra de titulo");
    if (extendido & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE))
      throw Fallo("la ventana del programa tiene marco");
  }

  void ComprobarLibre() {
    RequerirPrograma();
    HWND v = EsperarVentanaPrograma(true);
    const DWORD estilo = static_cast<DWORD>(GetWindowLongW(v, GWL_STYLE));
    const std::wstring titulo = Texto(v);
    Decir(L"  visto: ventana " + Hex(Valor32(v)) + L" estilo " + Hex(estilo) + L" \"" + titulo +
          L"\"");
    if (estilo & WS_CHILD || GetAncestor(v, GA_PARENT) != GetDesktopWindow())
      throw Fallo("la ventana del programa no es de primer nivel");
    if ((estilo & WS_CAPTION) != WS_CAPTION)
      throw Fallo("la ventana del programa no tiene barra de titulo");
    if (titulo != kTituloPrograma) throw Fallo("titulo de la ventana \"" + Utf8(titulo) + "\"");
  }

  void EsperarFin(const std::wstring* codigo) {
    RequerirPrograma();
    Esperar(
        "el fin del programa",
        [&] { return WaitForSingleObject(proceso_.hProcess, 0) == WAIT_OBJECT_0; }, true);
    DWORD salida = 0;
    GetExitCodeProcess(proceso_.hProcess, &salida);
    Decir(L"  visto: fin, codigo " + std::to_wstring(salida));
    if (codigo && std::to_wstring(salida) != *codigo)
      throw Fallo("codigo de salida " + std::to_string(salida) + ", se esperaba " + Utf8(*codigo));
  }

  static void Existe(const std::wstring& fichero, bool debe) {
    const DWORD a = GetFileAttributesW(fichero.c_str());
    const bool hay = a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    Decir(L"  " + fichero + (hay ? L" existe" : L" no existe"));
    if (hay != debe) throw Fallo(Utf8(fichero) + (hay ? " existe" : " no existe"));
  }

  static void Contiene(const std::wstring& fichero, const std::wstring& texto) {
    std::ifstream f(fichero.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << f.rdbuf();
    if (!f) throw Fallo("no se pudo leer " + Utf8(fichero));
    const bool hay = bytes.str().find(Utf8(texto)) != std::string::npos;
    Decir(L"  " + fichero + (hay ? L" contiene " : L" no contiene ") + texto);
    if (!hay) throw Fallo(Utf8(fichero) + " no contiene " + Utf8(texto));
  }

  // The record count of a dBase table: 32 bits, little-endian, at byte 4.
  static void Filas(const std::wstring& fichero, unsigned long esperadas) {
    std::ifstream f(fichero.c_str(), std::ios::binary);
    unsigned char cabecera[8] = {};
    if (!f.read(reinterpret_cast<char*>(cabecera), 8))
      throw Fallo("no se pudo leer la cabecera de " + Utf8(fichero));
    const unsigned long filas = cabecera[4] | (cabecera[5] << 8) | (cabecera[6] << 16) |
                                (static_cast<unsigned long>(cabecera[7]) << 24);
    Decir(L"  " + fichero + L": " + std::to_wstring(filas) + L" filas");
    if (filas != esperadas)
      throw Fallo(Utf8(fichero) + ": " + std::to_string(filas) + " filas, se esperaban " +
                  std::to_string(esperadas));
  }

  static void Ini(const std::wstring& fichero, const std::wstring& seccion,
                  const std::wstring& clave, const std::wstring& esperado) {
    wchar_t valor[256];
    GetPrivateProfileStringW(seccion.c_str(), clave.c_str(), L"<ninguno>", valor, 256,
                             fichero.c_str());
    Decir(L"  [" + seccion + L"] " + clave + L" = " + valor);
    if (esperado != valor)
      throw Fallo(Utf8(fichero) + ": [" + Utf8(seccion) + "] " + Utf8(clave) + " = " + Utf8(valor) +
                  ", se esperaba " + Utf8(esperado));
  }

  void EjecutarAyudante(const std::vector<std::wstring>& orden) {
    std::wstring linea;
    for (const std::wstring& a : orden) linea += (linea.empty() ? L"" : L" ") + Citar(a);
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(orden[0].c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &inicio, &info))
      throw Fallo("no se pudo ejecutar " + Utf8(orden[0]));
    Decir(L"  ejecuta: " + linea);
    Esperar(
        "el fin de " + Utf8(orden[0]),
        [&] { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }, true);
    DWORD salida = 0;
    GetExitCodeProcess(info.hProcess, &salida);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    if (salida != 0)
      throw Fallo(Utf8(orden[0]) + " termino con el codigo " + std::to_string(salida));
  }

  std::map<std::wstring, std::wstring> variables_;
  std::chrono::seconds plazo_{60};
  HWND ventana_ = nullptr;
  PROCESS_INFORMATION proceso_{};
  std::wstring carpeta_;
};

// Under Wine, windows need an X (or Wayland) display.
bool HayPantalla() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;
  wchar_t valor[8];
  return GetEnvironmentVariableW(L"DISPLAY", valor, 8) > 0 ||
         GetEnvironmentVariableW(L"WAYLAND_DISPLAY", valor, 8) > 0;
}

// A word as a script would spell it.
std::wstring Mostrable(const std::wstring& palabra) {
  if (!palabra.empty() && palabra.find_first_of(L" \t\n\"") == std::wstring::npos) return palabra;
  std::wstring r = L"\"";
  for (wchar_t c : palabra) r += c == L'\n' ? L"\\n" : c == L'"' ? L"\\\"" : std::wstring(1, c);
  return r + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::map<std::wstring, std::wstring> variables;
  std::vector<std::pair<std::wstring, std::wstring>> lineas;  // origin, text
  try {
    for (int i = 1; i < argc; ++i) {
      const std::wstring a = argv[i];
      const std::size_t igual = a.find(L'=');
      if (a == L"-c" && i + 1 < argc) {
        lineas.emplace_back(L"-c", argv[++i]);
      } else if (igual != std::wstring::npos && igual > 0 && a.find(L'\\') > igual) {
        variables[a.substr(0, igual)] = a.substr(igual + 1);
      } else {
        std::ifstream f(a.c_str(), std::ios::binary);
        if (!f) throw ErrorGuion("no se pudo leer el guion " + Utf8(a));
        std::string linea;
        int n = 0;
        while (std::getline(f, linea)) {
          ++n;
          if (!linea.empty() && linea.back() == '\r') linea.pop_back();
          lineas.emplace_back(a + L":" + std::to_wstring(n), Ancho(linea));
        }
      }
    }
    if (lineas.empty()) throw ErrorGuion("sin pasos: anfitrion_prueba [N=V...] GUION | -c PASO");
  } catch (const std::exception& e) {
    Decir(std::string("ERROR DE GUION: ") + e.what());
    return kSalidaGuion;
  }
  if (!HayPantalla()) {
    Decir("SIN PANTALLA: DISPLAY no esta definida; la prueba se omite");
    return kSalidaSinPantalla;
  }

  Anfitrion anfitrion(std::move(variables));
  std::wstring origen;
  try {
    anfitrion.CrearVentana();
    for (const auto& [donde, texto] : lineas) {
      origen = donde;
      std::vector<std::wstring> paso = Palabras(texto);
      if (paso.empty()) continue;
      for (std::wstring& p : paso) p = anfitrion.Expandir(p);
      std::wstring eco = L">";
      for (const std::wstring& p : paso) eco += L" " + Mostrable(p);
      Decir(eco);
      anfitrion.Ejecutar(paso);
    }
  } catch (const ErrorGuion& e) {
    Decir("ERROR DE GUION (" + Utf8(origen) + "): " + e.what());
    return kSalidaGuion;
  } catch (const std::exception& e) {
    Decir("FALLO (" + Utf8(origen) + "): " + e.what());
    if (!anfitrion.CarpetaTemporal().empty())
      Decir(L"  la carpeta se conserva: " + anfitrion.CarpetaTemporal());
    return kSalidaFallo;
  }
  anfitrion.Limpiar();
  Decir("BIEN: todos los pasos");
  return 0;
}

#endif  // _WIN32
