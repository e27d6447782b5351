// The one place where the table service touches the operating system: an open
// table file together with the lock that keeps other processes out. One
// implementation per platform (ArchivoTablaPosix.cpp, ArchivoTablaWindows.cpp).
//
// Locking model: a file opened for exclusive use, or for writing, is held so
// that no other process can open it; a file opened for shared reading keeps
// out only exclusive holders. On Linux this is flock() (non-blocking), on
// Windows the share mode of the open handle.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace transzorvos {

class ArchivoTabla {
 public:
  // Opens an existing table file, for writing when the file allows it and
  // read-only otherwise. Raises "No existe la tabla F" when it is missing and
  // "La tabla F está en uso por otro proceso" when another holder keeps it.
  static std::unique_ptr<ArchivoTabla> Abrir(const std::filesystem::path& fichero, bool exclusivo);

  // Creates the file, or empties an existing one, held exclusively. Raises
  // the in-use message when another process holds it.
  static std::unique_ptr<ArchivoTabla> Crear(const std::filesystem::path& fichero);

  virtual ~ArchivoTabla() = default;  // closes and releases the lock; never throws

  // The whole file.
  virtual std::string LeerTodo() = 0;
  // Writes `bytes` at `posicion`, growing the file if needed.
  virtual void Escribir(std::uint64_t posicion, std::string_view bytes) = 0;
  virtual bool Escribible() const = 0;
  // Turns a shared hold into an exclusive one, or raises the in-use message.
  virtual void HacerExclusivo() = 0;

 protected:
  ArchivoTabla() = default;
  ArchivoTabla(const ArchivoTabla&) = delete;
  ArchivoTabla& operator=(const ArchivoTabla&) = delete;
};

// A path as message text, UTF-8 on Windows, the name's bytes elsewhere
// (never throws).
std::string TextoRuta(const std::filesystem::path& ruta);

#ifdef _WIN32
// Texts at the Windows API, where they are UTF-16; inside the program every
// text is UTF-8. Neither throws: an unpaired surrogate or a byte that is not
// UTF-8 becomes U+FFFD.
std::string Utf8DeUtf16(std::wstring_view texto);
std::wstring Utf16DeUtf8(std::string_view texto);
#endif

}  // namespace transzorvos
