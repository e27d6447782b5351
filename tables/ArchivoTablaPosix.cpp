// Table files on POSIX systems: file descriptors and flock() locks. flock
// locks belong to the open file description, so two descriptors of the same
// process exclude each other just as two processes do.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tables/ArchivoTabla.h"

namespace transzorvos {

std::string TextoRuta(const std::filesystem::path& ruta) {
  return ruta.string();
}

namespace {

[[noreturn]] void Fallo(const std::string& que, const std::filesystem::path& fichero, int error) {
  throw std::runtime_error(que + " " + TextoRuta(fichero) + ": " + std::strerror(error));
}

[[noreturn]] void EnUso(const std::filesystem::path& fichero) {
  throw std::runtime_error("La tabla " + TextoRuta(fichero) + " está en uso por otro proceso");
}

class ArchivoPosix final : public ArchivoTabla {
 public:
  ArchivoPosix(std::filesystem::path fichero, int fd, bool escribible, bool exclusivo)
      : fichero_(std::move(fichero)), fd_(fd), escribible_(escribible), exclusivo_(exclusivo) {}
  ~ArchivoPosix() override { ::close(fd_); }  // closing releases the flock

  std::string LeerTodo() override {
    struct stat info;
    if (::fstat(fd_, &info) != 0) Fallo("No se pudo leer la tabla", fichero_, errno);
    std::string datos(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t leidos = 0;
    while (leidos < datos.size()) {
      ssize_t n =
          ::pread(fd_, datos.data() + leidos, datos.size() - leidos, static_cast<off_t>(leidos));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fallo("No se pudo leer la tabla", fichero_, errno);
      if (n == 0) break;  // shrunk meanwhile: keep what is there
      leidos += static_cast<std::size_t>(n);
    }
    datos.resize(leidos);
    return datos;
  }

  void Escribir(std::uint64_t posicion, std::string_view bytes) override {
    std::size_t escritos = 0;
    while (escritos < bytes.size()) {
      ssize_t n = ::pwrite(fd_, bytes.data() + escritos, bytes.size() - escritos,
                           static_cast<off_t>(posicion + escritos));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fallo("No se pudo escribir en la tabla", fichero_, n < 0 ? errno : EIO);
      escritos += static_cast<std::size_t>(n);
    }
  }

  bool Escribible() const override { return escribible_; }

  // flock converts a lock by dropping it first, so a refused upgrade leaves
  // none: take the shared one back (best effort: the rows are already in
  // memory), or an exclusive holder could come in while the table is open.
  void HacerExclusivo() override {
    if (exclusivo_) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      static_cast<void>(::flock(fd_, LOCK_SH | LOCK_NB));
      if (error == EWOULDBLOCK) EnUso(fichero_);
      Fallo("No se pudo bloquear la tabla", fichero_, error);
    }
    exclusivo_ = true;
  }

 private:
  std::filesystem::path fichero_;
  int fd_;
  bool escribible_;
  bool exclusivo_;
};

void Bloquear(int fd, bool exclusivo, const std::filesystem::path& fichero) {
  if (::flock(fd, (exclusivo ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return;
  int error = errno;
  ::close(fd);
  if (error == EWOULDBLOCK) EnUso(fichero);
  Fallo("No se pudo bloquear la tabla", fichero, error);
}

}  // namespace

std::unique_ptr<ArchivoTabla> ArchivoTabla::Abrir(const std::filesystem::path& fichero,
                                                  bool exclusivo) {
  bool escribible = true;
  int fd = ::open(fichero.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    escribible = false;
    fd = ::open(fichero.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      throw std::runtime_error("No existe la tabla " + TextoRuta(fichero));
    Fallo("No se pudo abrir la tabla", fichero, errno);
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw std::runtime_error("La tabla " + TextoRuta(fichero) + " no es un fichero");
  }
  Bloquear(fd, exclusivo, fichero);
  return std::make_unique<ArchivoPosix>(fichero, fd, escribible, exclusivo);
}

std::unique_ptr<ArchivoTabla> ArchivoTabla::Crear(const std::filesystem::path& fichero) {
  int fd = ::open(fichero.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) Fallo("No se pudo crear la tabla", fichero, errno);
  Bloquear(fd, true, fichero);
  if (::ftruncate(fd, 0) != 0) {
    int error = errno;
    ::close(fd);
    Fallo("No se pudo crear la tabla", fichero, error);
  }
  return std::make_unique<ArchivoPosix>(fichero, fd, true, true);
}

}  // namespace transzorvos
