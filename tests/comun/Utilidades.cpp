#include "comun/Utilidades.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
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

std::filesystem::path Muestra(std::string_view relativa) {
  return std::filesystem::path(TZO_TESTS_DIR) / relativa;
}

}  // namespace transzorvos::prueba
