// A scripted platform for the main form: dialog answers and existing windows
// are set up front, and every call that the user or the host could observe is
// recorded in one ordered log.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/Plataforma.h"

namespace transzorvos::prueba {

class PlataformaGuionada : public PlataformaFormulario {
 public:
  // One INI write as the form asked for it.
  struct EscrituraIni {
    std::filesystem::path fichero;
    std::string seccion, clave;
    int valor;
  };

  // Script.
  std::vector<std::string> argumentos;
  // Answers of the open dialog, in order: a path confirms, nothing cancels.
  // A dialog shown when no answer is left is cancelled.
  std::deque<std::optional<std::filesystem::path>> respuestas;
  std::set<std::uint32_t> ventanas;  // handles that name a window
  bool iniFalla = false;             // the settings writer throws
  std::filesystem::path carpetaEjecutable;
  std::filesystem::path carpetaTrabajo;

  // Record: "dialogo", "mensaje:<t>", "error:<t>", "cursor:espera",
  // "cursor:normal", "acoplar:<n>", "sinborde", "ini:<valor>",
  // "cerrarventana", "ayuda:contenido:<f>", "ayuda:contexto:<n>:<f>".
  std::vector<std::string> registro;
  std::vector<EscrituraIni> escrituras;

  // The entries of the log that start with `prefijo`, without it.
  std::vector<std::string> Entradas(const std::string& prefijo) const;

  std::vector<std::string> Argumentos() const override { return argumentos; }
  std::optional<std::filesystem::path> DialogoAbrir() override;
  bool ExisteFichero(const std::filesystem::path& fichero) const override;
  void Mensaje(std::string_view texto) override;
  void MensajeError(std::string_view texto) override;
  void PonerCursor(CursorPantalla cursor) override;
  bool EsVentana(std::uint32_t ventana) const override { return ventanas.count(ventana) > 0; }
  void Acoplar(std::uint32_t ventana) override;
  void QuitarBorde() override { registro.push_back("sinborde"); }
  void CerrarVentana() override { registro.push_back("cerrarventana"); }
  void EscribirEntero(const std::filesystem::path& fichero, std::string_view seccion,
                      std::string_view clave, int valor) override;
  void AyudaContenido(const std::filesystem::path& fichero) override;
  void AyudaContexto(const std::filesystem::path& fichero, int contexto) override;
  std::filesystem::path CarpetaEjecutable() const override { return carpetaEjecutable; }
  std::filesystem::path CarpetaTrabajo() const override { return carpetaTrabajo; }
};

}  // namespace transzorvos::prueba
