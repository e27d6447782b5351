// Helpers shared by the test suites.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace transzorvos::prueba {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  const std::filesystem::path& Ruta() const { return ruta_; }
  std::filesystem::path operator/(std::string_view nombre) const { return ruta_ / nombre; }

 private:
  std::filesystem::path ruta_;
};

void EscribirFichero(const std::filesystem::path& fichero, std::string_view bytes);
std::string LeerFichero(const std::filesystem::path& fichero);

// Holds a file open and locked the way another program would while it works
// on it (an exclusive lock on Linux, a share-nothing open on Windows), until
// the object goes. Throws when the file cannot be opened or locked.
class FicheroBloqueado {
 public:
  explicit FicheroBloqueado(const std::filesystem::path& fichero);
  ~FicheroBloqueado();
  FicheroBloqueado(const FicheroBloqueado&) = delete;
  FicheroBloqueado& operator=(const FicheroBloqueado&) = delete;

 private:
#ifdef _WIN32
  void* manejador_ = nullptr;  // the Windows handle
#else
  int descriptor_ = -1;  // the POSIX descriptor
#endif
};

// Runs a shell command; returns its exit status and stores its standard
// output in *salida when given.
int Ejecutar(const std::string& orden, std::string* salida = nullptr);

// `texto` as one word of a command line for Ejecutar: in single quotes for
// sh, in double quotes for cmd.exe (no Windows path holds a double quote).
std::string Citar(const std::string& texto);

// The command line for Ejecutar that runs `programa` from the folder
// `carpeta` with `argumentos` (already quoted with Citar), its standard error
// into the file `errores`. `entorno` (sh only) goes before the program, as in
// "HOME=/x" or "env -u WINEPREFIX".
std::string OrdenEnCarpeta(const std::filesystem::path& carpeta,
                           const std::filesystem::path& programa, const std::string& argumentos,
                           const std::filesystem::path& errores, const std::string& entorno = "");

// A program's text output with LF line ends: Windows console programs end
// their lines with CR LF.
std::string FinesDeLineaLF(std::string texto);

// Debian's python3, which has python3-dbf (not every python3 on the PATH).
inline constexpr const char* kPython = "/usr/bin/python3";

// Ends the current test as skipped where Debian's own tools (python3,
// xmllint) cannot be started: the Windows build running under Wine.
#ifdef _WIN32
#define TZO_REQUIERE_HERRAMIENTAS_DEBIAN() \
  GTEST_SKIP() << "necesita las herramientas de Debian (python3, xmllint)"
#else
#define TZO_REQUIERE_HERRAMIENTAS_DEBIAN() static_cast<void>(0)
#endif

// `prefijo` followed by `n` in decimal ("E3", "T12"). Built by appending:
// GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::to_string(n).
std::string Numerado(std::string_view prefijo, long long n);

// How a program started by EjecutarPrograma ended.
struct Ejecucion {
  int estado = -1;       // its exit status; -1 when it could not be started
  std::string out, err;  // what it wrote, byte for byte
};

// Runs `programa` from the folder `carpeta` with `argumentos`, each one
// argument exactly as given (UTF-8), with no shell in between: on Windows
// through a wide command line, so characters outside the ANSI code page
// reach it too. Its standard output and error come back through pipes.
Ejecucion EjecutarPrograma(const std::filesystem::path& programa,
                           const std::vector<std::string>& argumentos,
                           const std::filesystem::path& carpeta);

// Windows only: runs it the same way but with its standard output and error
// on a console screen buffer of this process's own console; `resultado->out`
// is then the text the buffer shows (UTF-8, each row without its trailing
// blanks, rows ended by LF). False when no working console can be had, as
// under Wine without a display, and on every other system.
bool EjecutarEnConsola(const std::filesystem::path& programa,
                       const std::vector<std::string>& argumentos,
                       const std::filesystem::path& carpeta, Ejecucion* resultado);

// A fixture in tests/ (e.g. "muestras/centro_pequeno.xml").
std::filesystem::path Muestra(std::string_view relativa);

}  // namespace transzorvos::prueba
