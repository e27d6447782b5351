#include "comun/Utilidades.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#ifdef _WIN32
#include "tables/ArchivoTabla.h"
#endif

namespace transzorvos::prueba {

CarpetaTemporal::CarpetaTemporal() {
  std::random_device azar;
  auto base = std::filesystem::temp_directory_path();
  for (int intento = 0; intento < 100; ++intento) {
    auto candidata = base / ("tzo-" + std::to_string(azar()));
    if (std::filesystem::create_directory(candidata)) {
      ruta_ = candidata;
      return;
    }
  }
  throw std::runtime_error("no se pudo crear una carpeta temporal");
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ec;
  std::filesystem::remove_all(ruta_, ec);
}

void EscribirFichero(const std::filesystem::path& fichero, std::string_view bytes) {
  std::ofstream f(fichero, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("no se pudo escribir " + fichero.string());
}

std::string LeerFichero(const std::filesystem::path& fichero) {
  std::ifstream f(fichero, std::ios::binary);
  if (!f) throw std::runtime_error("no se pudo leer " + fichero.string());
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

#ifdef _WIN32
FicheroBloqueado::FicheroBloqueado(const std::filesystem::path& fichero) {
  HANDLE h = CreateFileW(fichero.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw std::runtime_error("no se pudo bloquear " + fichero.string());
  manejador_ = h;
}

FicheroBloqueado::~FicheroBloqueado() {
  CloseHandle(static_cast<HANDLE>(manejador_));
}
#else
FicheroBloqueado::FicheroBloqueado(const std::filesystem::path& fichero) {
  descriptor_ = ::open(fichero.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor_ < 0 || ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
    if (descriptor_ >= 0) ::close(descriptor_);
    throw std::runtime_error("no se pudo bloquear " + fichero.string());
  }
}

FicheroBloqueado::~FicheroBloqueado() {
  ::close(descriptor_);
}
#endif

#ifdef _WIN32
// The C runtime's pipe runs the command through cmd.exe and returns its exit
// code as it is.
static FILE* AbrirTubo(const char* orden) {
  return _popen(orden, "rb");
}
static int CerrarTubo(FILE* tubo) {
  return _pclose(tubo);
}
static int CodigoSalida(int estado) {
  return estado;
}
#else
static FILE* AbrirTubo(const char* orden) {
  return popen(orden, "r");
}
static int CerrarTubo(FILE* tubo) {
  return pclose(tubo);
}
static int CodigoSalida(int estado) {
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}
#endif

int Ejecutar(const std::string& orden, std::string* salida) {
  FILE* tubo = AbrirTubo(orden.c_str());
  if (!tubo) return -1;
  std::string texto;
  char bloque[4096];
  std::size_t n;
  while ((n = fread(bloque, 1, sizeof bloque, tubo)) > 0) texto.append(bloque, n);
  int estado = CerrarTubo(tubo);
  if (salida) *salida = texto;
  return CodigoSalida(estado);
}

#ifdef _WIN32
std::string Citar(const std::string& texto) {
  return "\"" + texto + "\"";
}

std::string OrdenEnCarpeta(const std::filesystem::path& carpeta,
                           const std::filesystem::path& programa, const std::string& argumentos,
                           const std::filesystem::path& errores, const std::string& entorno) {
  // The command starts with a word that is not quoted, so cmd.exe keeps the
  // quotes of the rest as they are.
  if (!entorno.empty()) throw std::logic_error("cmd.exe: sin variables delante de la orden");
  return "cd /d " + Citar(std::filesystem::path(carpeta).make_preferred().string()) + " && " +
         Citar(std::filesystem::path(programa).make_preferred().string()) + " " + argumentos +
         " 2>" + Citar(errores.string());
}
#else
std::string Citar(const std::string& texto) {
  std::string r = "'";
  for (char c : texto) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string OrdenEnCarpeta(const std::filesystem::path& carpeta,
                           const std::filesystem::path& programa, const std::string& argumentos,
                           const std::filesystem::path& errores, const std::string& entorno) {
  return "cd " + Citar(carpeta.string()) + " && " + (entorno.empty() ? "" : entorno + " ") +
         Citar(programa.string()) + " " + argumentos + " 2>" + Citar(errores.string());
}
#endif

std::string FinesDeLineaLF(std::string texto) {
  std::string r;
  for (std::size_t i = 0; i < texto.size(); ++i)
    if (!(texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')) r += texto[i];
  return r;
}

std::string Numerado(std::string_view prefijo, long long n) {
  std::string r(prefijo);
  r += std::to_string(n);
  return r;
}

#ifdef _WIN32
namespace {

// One argument as the C runtime's command-line parser gives it back:
// quoted, with backslashes doubled only before a quote.
std::wstring ArgumentoCitado(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring r = L"\"";
  std::size_t barras = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++barras;
      continue;
    }
    r.append(c == L'"' ? 2 * barras + 1 : barras, L'\\');
    barras = 0;
    r += c;
  }
  r.append(2 * barras, L'\\');
  return r + L"\"";
}

// Starts the program with the given standard handles (inherited) and waits
// for nothing; returns the process handle, or nullptr.
HANDLE Arrancar(const std::filesystem::path& programa, const std::vector<std::string>& argumentos,
                const std::filesystem::path& carpeta, HANDLE salida, HANDLE errores,
                DWORD opciones) {
  const std::filesystem::path exe = std::filesystem::path(programa).make_preferred();
  std::wstring linea = ArgumentoCitado(exe.native());
  for (const std::string& a : argumentos) linea += L" " + ArgumentoCitado(Utf16DeUtf8(a));
  SECURITY_ATTRIBUTES heredable{sizeof heredable, nullptr, TRUE};
  HANDLE entrada = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &heredable,
                               OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  inicio.dwFlags = STARTF_USESTDHANDLES;
  inicio.hStdInput = entrada;
  inicio.hStdOutput = salida;
  inicio.hStdError = errores;
  PROCESS_INFORMATION proceso{};
  const std::wstring dir = std::filesystem::path(carpeta).make_preferred().native();
  const BOOL bien = CreateProcessW(exe.c_str(), linea.data(), nullptr, nullptr, TRUE, opciones,
                                   nullptr, dir.c_str(), &inicio, &proceso);
  if (entrada != INVALID_HANDLE_VALUE) CloseHandle(entrada);
  if (!bien) return nullptr;
  CloseHandle(proceso.hThread);
  return proceso.hProcess;
}

int Esperar(HANDLE proceso) {
  WaitForSingleObject(proceso, INFINITE);
  DWORD codigo = 0;
  const BOOL bien = GetExitCodeProcess(proceso, &codigo);
  CloseHandle(proceso);
  return bien ? static_cast<int>(codigo) : -1;
}

void LeerTubo(HANDLE tubo, std::string* destino) {
  char bloque[4096];
  DWORD n = 0;
  while (ReadFile(tubo, bloque, sizeof bloque, &n, nullptr) && n > 0) destino->append(bloque, n);
  CloseHandle(tubo);
}

}  // namespace

Ejecucion EjecutarPrograma(const std::filesystem::path& programa,
                           const std::vector<std::string>& argumentos,
                           const std::filesystem::path& carpeta) {
  Ejecucion r;
  // Only the ends the program writes to are inherited.
  SECURITY_ATTRIBUTES heredable{sizeof heredable, nullptr, TRUE};
  HANDLE leerOut, escribirOut, leerErr, escribirErr;
  if (!CreatePipe(&leerOut, &escribirOut, &heredable, 0)) return r;
  if (!CreatePipe(&leerErr, &escribirErr, &heredable, 0)) {
    CloseHandle(leerOut);
    CloseHandle(escribirOut);
    return r;
  }
  SetHandleInformation(leerOut, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(leerErr, HANDLE_FLAG_INHERIT, 0);
  HANDLE proceso =
      Arrancar(programa, argumentos, carpeta, escribirOut, escribirErr, CREATE_NO_WINDOW);
  // Closed here too, so each pipe ends when the program's copy goes.
  CloseHandle(escribirOut);
  CloseHandle(escribirErr);
  // Both pipes drain at once: a program filling one while the other is read
  // would wait forever.
  std::thread errores(LeerTubo, leerErr, &r.err);
  LeerTubo(leerOut, &r.out);
  errores.join();
  if (proceso) r.estado = Esperar(proceso);
  return r;
}

bool EjecutarEnConsola(const std::filesystem::path& programa,
                       const std::vector<std::string>& argumentos,
                       const std::filesystem::path& carpeta, Ejecucion* resultado) {
  // A console of our own, made once: the one Wine gives a program started
  // from Linux may be no real console, and freeing one made here would also
  // cut Wine's redirected standard output of this process. The standard
  // handles stay as they were.
  static const bool consola = [] {
    const HANDLE antes[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                             GetStdHandle(STD_ERROR_HANDLE)};
    FreeConsole();
    const bool hecha = AllocConsole();
    SetStdHandle(STD_INPUT_HANDLE, antes[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, antes[1]);
    SetStdHandle(STD_ERROR_HANDLE, antes[2]);
    return hecha;
  }();
  if (!consola) return false;
  SECURITY_ATTRIBUTES heredable{sizeof heredable, nullptr, TRUE};
  HANDLE pantalla =
      CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &heredable, CONSOLE_TEXTMODE_BUFFER, nullptr);
  bool bien = false;
  if (pantalla != INVALID_HANDLE_VALUE) {
    // Wide rows, so no message wraps; then a probe: a buffer that does not
    // give back what was written is no console to test with.
    SetConsoleScreenBufferSize(pantalla, COORD{200, 200});
    DWORD n = 0;
    wchar_t eco[2] = {};
    bien = WriteConsoleW(pantalla, L"\u00d3", 1, &n, nullptr) &&
           ReadConsoleOutputCharacterW(pantalla, eco, 1, COORD{0, 0}, &n) && n == 1 &&
           eco[0] == L'\u00d3';
    if (bien) {
      DWORD escritos = 0;
      FillConsoleOutputCharacterW(pantalla, L' ', 200 * 200, COORD{0, 0}, &escritos);
      SetConsoleCursorPosition(pantalla, COORD{0, 0});
      HANDLE proceso = Arrancar(programa, argumentos, carpeta, pantalla, pantalla, 0);
      bien = proceso != nullptr;
      if (bien) {
        *resultado = Ejecucion{};
        resultado->estado = Esperar(proceso);
        CONSOLE_SCREEN_BUFFER_INFO info;
        GetConsoleScreenBufferInfo(pantalla, &info);
        std::wstring fila(static_cast<std::size_t>(info.dwSize.X), L' ');
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
          DWORD leidos = 0;
          ReadConsoleOutputCharacterW(pantalla, fila.data(), info.dwSize.X, COORD{0, y}, &leidos);
          std::wstring_view texto(fila.data(), leidos);
          texto = texto.substr(0, texto.find_last_not_of(L' ') + 1);
          if (y < info.dwCursorPosition.Y || !texto.empty())
            resultado->out += Utf8DeUtf16(texto) + "\n";
        }
      }
    }
    CloseHandle(pantalla);
  }
  return bien;
}
#else
Ejecucion EjecutarPrograma(const std::filesystem::path& programa,
                           const std::vector<std::string>& argumentos,
                           const std::filesystem::path& carpeta) {
  Ejecucion r;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return r;
  if (pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return r;
  }
  // Absolute, as the child changes folder before it starts the program.
  std::vector<std::string> palabras{std::filesystem::absolute(programa).string()};
  palabras.insert(palabras.end(), argumentos.begin(), argumentos.end());
  std::vector<char*> argv;
  for (std::string& p : palabras) argv.push_back(p.data());
  argv.push_back(nullptr);
  const pid_t hijo = fork();
  if (hijo == 0) {
    // Only async-signal-safe calls until exec.
    const int nulo = ::open("/dev/null", O_RDONLY);
    if (nulo < 0 || dup2(nulo, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0 ||
        chdir(carpeta.c_str()) != 0)
      _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  // Both pipes drain at once, as the program writes them.
  pollfd tubos[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* destinos[2] = {&r.out, &r.err};
  int abiertos = 2;
  while (abiertos > 0) {
    if (poll(tubos, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (tubos[i].fd < 0 || tubos[i].revents == 0) continue;
      char bloque[4096];
      const ssize_t n = ::read(tubos[i].fd, bloque, sizeof bloque);
      if (n > 0) {
        destinos[i]->append(bloque, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(tubos[i].fd);
        tubos[i].fd = -1;
        --abiertos;
      }
    }
  }
  for (const pollfd& t : tubos)
    if (t.fd >= 0) ::close(t.fd);
  int estado = 0;
  if (hijo > 0 && waitpid(hijo, &estado, 0) == hijo)
    r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return r;
}

bool EjecutarEnConsola(const std::filesystem::path&, const std::vector<std::string>&,
                       const std::filesystem::path&, Ejecucion*) {
  return false;
}
#endif

std::filesystem::path Muestra(std::string_view relativa) {
  return std::filesystem::path(TZO_TESTS_DIR) / relativa;
}

}  // namespace transzorvos::prueba
