// The commands of the transzorvos tool. Each takes the arguments after its
// own name and returns the process exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace transzorvos::cli {

// Exit statuses shared by every command.
inline constexpr int kSalidaBien = 0;
inline constexpr int kSalidaNoExiste = 1;     // "No existe archivo"
inline constexpr int kSalidaError = 2;        // the run ended with an error
inline constexpr int kSalidaFaltaTabla = 3;   // CURSOACAD missing (importar)
inline constexpr int kSalidaUso = 64;         // bad command line

int OrdenExportar(const std::vector<std::string>& args);
int OrdenImportar(const std::vector<std::string>& args);
int OrdenMostrar(const std::vector<std::string>& args);

// The working folder when --carpeta is not given: C:\QTEMP on Windows,
// elsewhere ${WINEPREFIX:-$HOME/.wine}/drive_c/QTEMP, where the host's
// C:\QTEMP lives when it runs under Wine.
std::filesystem::path CarpetaPorDefecto();

// Prints the usage text to stderr and returns kSalidaUso.
int ErrorUso(const std::string& motivo);

}  // namespace transzorvos::cli
