// transzorvos mostrar TABLA.DBF: a table's fields and visible rows as
// aligned text, for looking at what the export wrote or the host left.
#include <algorithm>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/Textos.h"
#include "cli/Consola.h"
#include "cli/Ordenes.h"
#include "exchange/Ansi.h"
#include "tables/TablaDBF.h"

namespace transzorvos::cli {
namespace {

// Table text for the terminal: control bytes (and the five bytes
// Windows-1252 leaves undefined, which would become C1 controls) shown as
// '?', so a damaged row cannot drive the terminal; then UTF-8.
std::string ParaTerminal(std::string_view ansi) {
  std::string limpio(ansi);
  for (char& c : limpio) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
      c = '?';
  }
  return AnsiAUtf8(limpio);
}

// Characters, not bytes, so accented names line up.
std::size_t Caracteres(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Ajustar(const std::string& texto, std::size_t ancho, bool derecha) {
  const std::size_t n = Caracteres(texto);
  const std::string relleno(ancho > n ? ancho - n : 0, ' ');
  return derecha ? relleno + texto : texto + relleno;
}

bool EsNumerico(char tipo) {
  return tipo == 'N' || tipo == 'F' || tipo == 'I' || tipo == 'O' || tipo == '+' || tipo == 'Y' ||
         tipo == 'B';
}

// Prints rows of cells in columns separated by two blanks; no trailing blanks.
void Imprimir(const std::vector<std::vector<std::string>>& filas,
              const std::vector<bool>& derecha) {
  std::vector<std::size_t> anchos(derecha.size(), 0);
  for (const auto& fila : filas)
    for (std::size_t c = 0; c < fila.size(); ++c)
      anchos[c] = std::max(anchos[c], Caracteres(fila[c]));
  for (const auto& fila : filas) {
    std::string linea;
    for (std::size_t c = 0; c < fila.size(); ++c) {
      if (c) linea += "  ";
      linea += Ajustar(fila[c], anchos[c], derecha[c]);
    }
    linea.erase(linea.find_last_not_of(' ') + 1);
    Salida() << linea << "\n";
  }
}

}  // namespace

int OrdenMostrar(const std::vector<std::string>& args) {
  if (args.size() != 1) return ErrorUso(args.empty() ? "falta TABLA.DBF" : "sobran argumentos");
  const std::filesystem::path fichero = RutaDeUtf8(args[0]);
  std::error_code ec;
  if (!std::filesystem::exists(fichero, ec) || std::filesystem::is_directory(fichero, ec)) {
    Salida() << kNoExisteArchivo << std::endl;
    return kSalidaNoExiste;
  }

  try {
    TablaDBF tabla(fichero.parent_path(), Utf8DeRuta(fichero.filename()));
    tabla.Open();
    const std::vector<DescripcionCampo> campos = tabla.Campos();

    std::vector<std::vector<std::string>> filas;
    std::vector<std::string> cabecera, raya;
    std::vector<bool> derecha;
    for (const DescripcionCampo& d : campos) {
      cabecera.push_back(ParaTerminal(d.nombre));
      derecha.push_back(EsNumerico(d.tipo));
    }
    filas.push_back(cabecera);
    tabla.First();
    while (!tabla.Eof()) {
      std::vector<std::string> fila;
      for (const DescripcionCampo& d : campos)
        fila.push_back(ParaTerminal(tabla.FieldByName(d.nombre).AsString()));
      filas.push_back(std::move(fila));
      tabla.Next();
    }
    tabla.Close();

    Salida() << Utf8DeRuta(fichero.filename()) << ": " << campos.size() << " campos, "
             << filas.size() - 1 << " filas\n\n";

    std::vector<std::vector<std::string>> definiciones{{"Campo", "Tipo", "Ancho", "Dec"}};
    for (const DescripcionCampo& d : campos)
      definiciones.push_back({ParaTerminal(d.nombre), ParaTerminal(std::string(1, d.tipo)),
                              std::to_string(d.ancho), std::to_string(d.decimales)});
    Imprimir(definiciones, {false, false, true, true});
    Salida() << "\n";

    if (!campos.empty()) {
      for (std::size_t c = 0; c < cabecera.size(); ++c) {
        std::size_t ancho = 0;
        for (const auto& fila : filas) ancho = std::max(ancho, Caracteres(fila[c]));
        raya.push_back(std::string(ancho, '-'));
      }
      filas.insert(filas.begin() + 1, raya);
      Imprimir(filas, derecha);
    }
    return kSalidaBien;
  } catch (const std::exception& e) {
    Errores() << "Error: " << e.what() << "\n";
    return kSalidaError;
  }
}

}  // namespace transzorvos::cli
