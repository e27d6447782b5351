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

// Runs a shell command; returns its exit status and stores its standard
// output in *salida when given.
int Ejecutar(const std::string& orden, std::string* salida = nullptr);

// Debian's python3, which has python3-dbf (not every python3 on the PATH).
inline constexpr const char* kPython = "/usr/bin/python3";

// A fixture in tests/ (e.g. "muestras/centro_pequeno.xml").
std::filesystem::path Muestra(std::string_view relativa);

}  // namespace transzorvos::prueba
