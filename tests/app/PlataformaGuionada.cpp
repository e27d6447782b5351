#include "app/PlataformaGuionada.h"

#include <stdexcept>
#include <system_error>

namespace transzorvos::prueba {

std::vector<std::string> PlataformaGuionada::Entradas(const std::string& prefijo) const {
  std::vector<std::string> r;
  for (const std::string& e : registro)
    if (e.rfind(prefijo, 0) == 0) r.push_back(e.substr(prefijo.size()));
  return r;
}

std::optional<std::filesystem::path> PlataformaGuionada::DialogoAbrir() {
  registro.push_back("dialogo");
  if (respuestas.empty()) return std::nullopt;
  std::optional<std::filesystem::path> r = respuestas.front();
  respuestas.pop_front();
  // The system's open dialog makes the chosen file's folder the current one.
  if (r) std::filesystem::current_path(r->parent_path());
  return r;
}

bool PlataformaGuionada::ExisteFichero(const std::filesystem::path& fichero) const {
  std::error_code ec;
  return !fichero.empty() && std::filesystem::is_regular_file(fichero, ec);
}

void PlataformaGuionada::Mensaje(std::string_view texto) {
  registro.push_back("mensaje:" + std::string(texto));
}

void PlataformaGuionada::MensajeError(std::string_view texto) {
  registro.push_back("error:" + std::string(texto));
}

void PlataformaGuionada::PonerCursor(CursorPantalla cursor) {
  registro.push_back(cursor == CursorPantalla::Espera ? "cursor:espera" : "cursor:normal");
}

void PlataformaGuionada::Acoplar(std::uint32_t ventana) {
  registro.push_back("acoplar:" + std::to_string(ventana));
}

void PlataformaGuionada::EscribirEntero(const std::filesystem::path& fichero,
                                        std::string_view seccion, std::string_view clave,
                                        int valor) {
  if (iniFalla) throw std::runtime_error("Unable to write to " + fichero.string());
  registro.push_back("ini:" + std::to_string(valor));
  escrituras.push_back({fichero, std::string(seccion), std::string(clave), valor});
}

void PlataformaGuionada::AyudaContenido(const std::filesystem::path& fichero) {
  registro.push_back("ayuda:contenido:" + fichero.string());
}

void PlataformaGuionada::AyudaContexto(const std::filesystem::path& fichero, int contexto) {
  registro.push_back("ayuda:contexto:" + std::to_string(contexto) + ":" + fichero.string());
}

}  // namespace transzorvos::prueba
