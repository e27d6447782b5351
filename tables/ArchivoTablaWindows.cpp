// Table files on Windows: the share mode of the handle is the lock. A holder
// that opened with share mode 0 keeps every other open out, which is how the
// host's database engine sees an exclusive table.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "tables/ArchivoTabla.h"

namespace transzorvos {

std::string Utf8DeUtf16(std::wstring_view texto) {
  if (texto.empty()) return {};
  const int n = static_cast<int>(texto.size());
  const int largo =
      ::WideCharToMultiByte(CP_UTF8, 0, texto.data(), n, nullptr, 0, nullptr, nullptr);
  if (largo <= 0) return {};
  std::string r(static_cast<std::size_t>(largo), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, texto.data(), n, r.data(), largo, nullptr, nullptr);
  return r;
}

std::wstring Utf16DeUtf8(std::string_view texto) {
  if (texto.empty()) return {};
  const int n = static_cast<int>(texto.size());
  const int largo = ::MultiByteToWideChar(CP_UTF8, 0, texto.data(), n, nullptr, 0);
  if (largo <= 0) return {};
  std::wstring r(static_cast<std::size_t>(largo), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, texto.data(), n, r.data(), largo);
  return r;
}

// Messages are UTF-8, like every text of the program; path::string() and
// path::u8string() can throw for a name with a lone surrogate.
std::string TextoRuta(const std::filesystem::path& ruta) {
  return Utf8DeUtf16(ruta.native());
}

namespace {

[[noreturn]] void Fallo(const std::string& que, const std::filesystem::path& fichero, DWORD error) {
  throw std::runtime_error(que + " " + TextoRuta(fichero) + " (error " + std::to_string(error) +
                           ")");
}

[[noreturn]] void EnUso(const std::filesystem::path& fichero) {
  throw std::runtime_error("La tabla " + TextoRuta(fichero) + " está en uso por otro proceso");
}

bool ErrorDeUso(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

HANDLE AbrirManejador(const std::filesystem::path& fichero, DWORD acceso, DWORD compartir,
                      DWORD disposicion) {
  return ::CreateFileW(fichero.c_str(), acceso, compartir, nullptr, disposicion,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

constexpr DWORD kCompartido = FILE_SHARE_READ | FILE_SHARE_WRITE;

class ArchivoWindows final : public ArchivoTabla {
 public:
  ArchivoWindows(std::filesystem::path fichero, HANDLE h, bool escribible, bool exclusivo)
      : fichero_(std::move(fichero)), h_(h), escribible_(escribible), exclusivo_(exclusivo) {}
  ~ArchivoWindows() override {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }

  std::string LeerTodo() override {
    LARGE_INTEGER tam;
    if (!::GetFileSizeEx(h_, &tam)) Fallo("No se pudo leer la tabla", fichero_, ::GetLastError());
    std::string datos(static_cast<std::size_t>(tam.QuadPart), '\0');
    std::size_t leidos = 0;
    while (leidos < datos.size()) {
      OVERLAPPED pos{};
      pos.Offset = static_cast<DWORD>(leidos & 0xFFFFFFFFu);
      pos.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(leidos) >> 32);
      DWORD pedir = static_cast<DWORD>(std::min<std::size_t>(datos.size() - leidos, 1u << 30));
      DWORD n = 0;
      if (!::ReadFile(h_, datos.data() + leidos, pedir, &n, &pos)) {
        DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        Fallo("No se pudo leer la tabla", fichero_, error);
      }
      if (n == 0) break;
      leidos += n;
    }
    datos.resize(leidos);
    return datos;
  }

  void Escribir(std::uint64_t posicion, std::string_view bytes) override {
    std::size_t escritos = 0;
    while (escritos < bytes.size()) {
      std::uint64_t donde = posicion + escritos;
      OVERLAPPED pos{};
      pos.Offset = static_cast<DWORD>(donde & 0xFFFFFFFFu);
      pos.OffsetHigh = static_cast<DWORD>(donde >> 32);
      DWORD pedir = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - escritos, 1u << 30));
      DWORD n = 0;
      if (!::WriteFile(h_, bytes.data() + escritos, pedir, &n, &pos) || n == 0)
        Fallo("No se pudo escribir en la tabla", fichero_, ::GetLastError());
      escritos += n;
    }
  }

  bool Escribible() const override { return escribible_; }

  // A share mode cannot be narrowed on an open handle: reopen with share mode
  // 0, and when another holder prevents it, take the shared handle back.
  void HacerExclusivo() override {
    if (exclusivo_) return;
    DWORD acceso = GENERIC_READ | (escribible_ ? GENERIC_WRITE : 0);
    ::CloseHandle(h_);
    h_ = AbrirManejador(fichero_, acceso, 0, OPEN_EXISTING);
    if (h_ != INVALID_HANDLE_VALUE) {
      exclusivo_ = true;
      return;
    }
    DWORD error = ::GetLastError();
    h_ = AbrirManejador(fichero_, acceso, kCompartido, OPEN_EXISTING);
    if (ErrorDeUso(error)) EnUso(fichero_);
    Fallo("No se pudo bloquear la tabla", fichero_, error);
  }

 private:
  std::filesystem::path fichero_;
  HANDLE h_;
  bool escribible_;
  bool exclusivo_;
};

}  // namespace

std::unique_ptr<ArchivoTabla> ArchivoTabla::Abrir(const std::filesystem::path& fichero,
                                                  bool exclusivo) {
  DWORD compartir = exclusivo ? 0 : kCompartido;
  bool escribible = true;
  HANDLE h = AbrirManejador(fichero, GENERIC_READ | GENERIC_WRITE, compartir, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    escribible = false;
    h = AbrirManejador(fichero, GENERIC_READ, compartir, OPEN_EXISTING);
  }
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      throw std::runtime_error("No existe la tabla " + TextoRuta(fichero));
    if (ErrorDeUso(error)) EnUso(fichero);
    Fallo("No se pudo abrir la tabla", fichero, error);
  }
  return std::make_unique<ArchivoWindows>(fichero, h, escribible, exclusivo);
}

std::unique_ptr<ArchivoTabla> ArchivoTabla::Crear(const std::filesystem::path& fichero) {
  HANDLE h = AbrirManejador(fichero, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    if (ErrorDeUso(error)) EnUso(fichero);
    Fallo("No se pudo crear la tabla", fichero, error);
  }
  return std::make_unique<ArchivoWindows>(fichero, h, true, true);
}

}  // namespace transzorvos

#endif  // _WIN32
