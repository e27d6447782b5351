#include "comun/Utilidades.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

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

int Ejecutar(const std::string& orden, std::string* salida) {
  FILE* tubo = popen(orden.c_str(), "r");
  if (!tubo) return -1;
  std::string texto;
  char bloque[4096];
  std::size_t n;
  while ((n = fread(bloque, 1, sizeof bloque, tubo)) > 0) texto.append(bloque, n);
  int estado = pclose(tubo);
  if (salida) *salida = texto;
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

std::filesystem::path Muestra(std::string_view relativa) {
  return std::filesystem::path(TZO_TESTS_DIR) / relativa;
}

}  // namespace transzorvos::prueba
