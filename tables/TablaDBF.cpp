// The dBase table service. A table is read whole into memory when it opens
// (working tables are small), so every later read is a bounds-checked look at
// that copy; every posted row goes to the file at once, with the header's
// record count, so the file is right whenever a run ends.
#include "tables/TablaDBF.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "tables/ArchivoTabla.h"
#include "tables/PaginasOEM.h"

namespace transzorvos {

namespace {

constexpr char kNoEdicion[] = "La fuente de datos no está en modo de edición o inserción";

// The header form we write: dBase III+ with the engine's ANSI driver.
constexpr std::uint8_t kVersionEscrita = 0x03;
constexpr std::uint8_t kLenguajeAnsi = 0x57;
constexpr std::size_t kMaxNombreEscrito = 10;
constexpr int kMaxAnchoTexto = 254;
constexpr std::size_t kMaxCampos = 255;

constexpr char kFinDescriptores = 0x0D;
constexpr char kFinDatos = 0x1A;
constexpr char kBorrado = '*';

std::uint32_t Le32(const char* p) {
  auto b = [p](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])); };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}
std::uint16_t Le16(const char* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                    static_cast<unsigned char>(p[1]) << 8);
}
std::uint64_t Be(const char* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}
std::uint64_t Le64(const char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}
void PonerLe(char* p, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
void PonerBe(char* p, std::uint64_t v, int n) {
  for (int i = n - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<char>(v & 0xFF);
}

// Today's local date as a header stores it: year - 1900, month, day.
void PonerFechaDeHoy(char* p) {
  std::time_t ahora = std::time(nullptr);
  std::tm hoy{};
#ifdef _WIN32
  localtime_s(&hoy, &ahora);
#else
  localtime_r(&ahora, &hoy);
#endif
  p[0] = static_cast<char>(hoy.tm_year & 0xFF);
  p[1] = static_cast<char>(hoy.tm_mon + 1);
  p[2] = static_cast<char>(hoy.tm_mday);
}

std::string Hex2(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "0x%02X", v & 0xFF);
  return b;
}

char Mayuscula(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IgualesSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Mayuscula(a[i]) != Mayuscula(b[i])) return false;
  return true;
}

std::string_view SinBlancosFinales(std::string_view t) {
  while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.remove_suffix(1);
  return t;
}
std::string_view SinBlancos(std::string_view t) {
  t = SinBlancosFinales(t);
  while (!t.empty() && (t.front() == ' ' || t.front() == '\0')) t.remove_prefix(1);
  return t;
}

bool LeerEntero(std::string_view t, std::int64_t& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}
bool LeerReal(std::string_view t, double& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

// A number's text as the engine shows it: integers without decimals, others
// with up to 15 significant digits.
std::string TextoNumero(double v) {
  if (v == 0) return "0";
  if (std::fabs(v) < 1e15 && v == std::trunc(v))
    return std::to_string(static_cast<std::int64_t>(v));
  char b[64];
  auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::general, 15);
  return std::string(b, r.ptr);
}

// What a stored field holds, decoded from its bytes.
struct Valor {
  enum class Clase { Vacio, Texto, Entero, Real, Logico } clase = Clase::Vacio;
  std::string texto;
  std::int64_t entero = 0;
  double real = 0;
  bool logico = false;
};

enum class Forma { DBase3, DBase7 };

}  // namespace

struct TablaDBF::Estado {
  // Open state; reset by Close.
  std::unique_ptr<ArchivoTabla> archivo;
  std::filesystem::path ruta;
  std::string nombre;  // for messages: the table name without extension
  Forma forma = Forma::DBase3;
  bool foxpro = false;
  PaginaCodigos pagina = PaginaCodigos::Ansi;
  std::size_t longCabecera = 0;
  std::size_t longRegistro = 0;
  std::size_t registros = 0;
  std::string datos;  // header plus the `registros` whole records
  std::vector<DescripcionCampo> campos;
  std::vector<std::size_t> desplazamientos;
  std::optional<std::size_t> actual;  // the row the table stands on
  bool eof = true;
  std::optional<std::string> pendiente;  // the appended row not yet posted

  // Filter settings, which outlive Close as component properties do.
  bool hayFiltro = false;
  std::string campoFiltro;
  std::string literalFiltro;
  bool filtrado = false;

  [[noreturn]] void Danada(const std::string& que) const {
    throw std::runtime_error("La tabla " + TextoRuta(ruta) + " está dañada: " + que);
  }
  [[noreturn]] void ErrorCampo(std::size_t i, const std::string& que) const {
    throw std::runtime_error("El campo " + campos[i].nombre + " de la tabla " + nombre + " " + que);
  }

  void Analizar();
  // A field handle outlives Close: every access through one checks this.
  void ExigirCampo(std::size_t i) const {
    if (i >= campos.size()) throw std::runtime_error("La tabla " + nombre + " no está abierta");
  }
  std::optional<std::size_t> IndiceCampo(std::string_view n) const {
    for (std::size_t i = 0; i < campos.size(); ++i)
      if (IgualesSinCaso(campos[i].nombre, n)) return i;
    return std::nullopt;
  }
  std::size_t CampoExigido(std::string_view n) const {
    if (auto i = IndiceCampo(n)) return *i;
    throw std::runtime_error("La tabla " + nombre + " no tiene el campo " + std::string(n));
  }

  std::string_view Bytes(std::string_view fila, std::size_t i) const {
    return fila.substr(desplazamientos[i], static_cast<std::size_t>(campos[i].ancho));
  }
  std::string_view Registro(std::size_t r) const {
    return std::string_view(datos).substr(longCabecera + r * longRegistro, longRegistro);
  }
  Valor Decodificar(std::string_view bytes, std::size_t i) const;
  Valor ValorActual(std::size_t i) const {
    ExigirCampo(i);
    if (pendiente) return Decodificar(Bytes(*pendiente, i), i);
    if (!actual) return Valor{};
    return Decodificar(Bytes(Registro(*actual), i), i);
  }

  bool Visible(std::size_t r, std::optional<std::size_t> campo) const;
  void Avanzar(std::size_t desde);
  void PrimeraFila();
  void PostPendiente();
  char* Destino(std::size_t i) {
    ExigirCampo(i);
    if (!pendiente) throw std::runtime_error(kNoEdicion);
    return pendiente->data() + desplazamientos[i];
  }
};

namespace {

std::string TextoDeValor(const Valor& v) {
  switch (v.clase) {
    case Valor::Clase::Vacio:
      return "";
    case Valor::Clase::Texto:
      return v.texto;
    case Valor::Clase::Entero:
      return std::to_string(v.entero);
    case Valor::Clase::Real:
      return TextoNumero(v.real);
    case Valor::Clase::Logico:
      return v.logico ? "T" : "F";
  }
  return "";
}

bool VersionConocida(std::uint8_t v) {
  switch (v) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x30:
    case 0x31:
    case 0x43:
    case 0x83:
    case 0x8B:
    case 0x8C:
    case 0x8E:
    case 0xCB:
    case 0xF5:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Reads the header and field descriptors of `datos` and checks that they agree
// with each other and with the file size, so that every later record and
// field access stays inside `datos`.
void TablaDBF::Estado::Analizar() {
  const std::size_t tam = datos.size();
  if (tam < 32) Danada("la cabecera está incompleta (" + std::to_string(tam) + " bytes)");
  const auto version = static_cast<std::uint8_t>(datos[0]);
  if (!VersionConocida(version)) Danada("versión de fichero desconocida (" + Hex2(version) + ")");
  forma = (version == 0x04 || version == 0x8C) ? Forma::DBase7 : Forma::DBase3;
  foxpro = version == 0x30 || version == 0x31;
  const std::size_t base = forma == Forma::DBase7 ? 68 : 32;
  const std::size_t paso = forma == Forma::DBase7 ? 48 : 32;
  if (tam < base) Danada("la cabecera está incompleta (" + std::to_string(tam) + " bytes)");

  const std::uint32_t cuenta = Le32(&datos[4]);
  longCabecera = Le16(&datos[8]);
  longRegistro = Le16(&datos[10]);
  if (longCabecera < base + 1)
    Danada("la longitud de cabecera (" + std::to_string(longCabecera) + ") es menor que " +
           std::to_string(base + 1));
  if (longCabecera > tam)
    Danada("la longitud de cabecera (" + std::to_string(longCabecera) +
           ") es mayor que el fichero (" + std::to_string(tam) + " bytes)");

  if (forma == Forma::DBase7) {
    std::string_view lenguaje(&datos[32], 32);
    lenguaje = SinBlancos(lenguaje.substr(0, lenguaje.find('\0')));
    pagina = lenguaje.empty() ? PaginaDeLenguaje(static_cast<unsigned char>(datos[29]))
                              : PaginaDeNombreLenguaje(lenguaje);
  } else {
    pagina = PaginaDeLenguaje(static_cast<unsigned char>(datos[29]));
  }

  std::size_t suma = 1;  // the deletion flag
  for (std::size_t p = base;; p += paso) {
    if (p >= longCabecera) Danada("falta el fin de los descriptores de campo");
    if (datos[p] == kFinDescriptores) break;
    if (p + paso > longCabecera) Danada("un descriptor de campo sale de la cabecera");
    if (campos.size() == 4096) Danada("demasiados campos");
    const std::size_t numero = campos.size() + 1;
    const std::size_t largoNombre = forma == Forma::DBase7 ? 32 : 11;
    std::string_view nombreCampo(&datos[p], largoNombre);
    nombreCampo = SinBlancos(nombreCampo.substr(0, nombreCampo.find('\0')));
    if (nombreCampo.empty()) Danada("el campo " + std::to_string(numero) + " no tiene nombre");
    const std::size_t t = forma == Forma::DBase7 ? 32 : 11;
    DescripcionCampo d;
    d.nombre = std::string(nombreCampo);
    d.tipo = Mayuscula(datos[p + t]);
    d.ancho = static_cast<unsigned char>(datos[p + t + (forma == Forma::DBase7 ? 1 : 5)]);
    d.decimales = static_cast<unsigned char>(datos[p + t + (forma == Forma::DBase7 ? 2 : 6)]);
    if (d.ancho == 0) Danada("el campo " + d.nombre + " tiene ancho 0");
    int fijo = 0;
    switch (d.tipo) {
      case 'L':
        fijo = 1;
        break;
      case 'I':
      case '+':
        fijo = 4;
        break;
      case 'O':
      case '@':
        fijo = 8;
        break;
      case 'B':
        fijo = foxpro ? 8 : 0;
        break;
      default:
        break;
    }
    if (fijo && d.ancho != fijo)
      Danada("el campo " + d.nombre + " de tipo " + std::string(1, d.tipo) + " tiene ancho " +
             std::to_string(d.ancho) + " en vez de " + std::to_string(fijo));
    desplazamientos.push_back(suma);
    suma += static_cast<std::size_t>(d.ancho);
    campos.push_back(std::move(d));
  }
  if (campos.empty()) Danada("no describe ningún campo");
  if (suma != longRegistro)
    Danada("la longitud de registro (" + std::to_string(longRegistro) +
           ") no coincide con la suma de los campos (" + std::to_string(suma) + ")");

  registros = std::min<std::size_t>(cuenta, (tam - longCabecera) / longRegistro);
  datos.resize(longCabecera + registros * longRegistro);
}

Valor TablaDBF::Estado::Decodificar(std::string_view b, std::size_t i) const {
  Valor v;
  const DescripcionCampo& d = campos[i];
  auto texto = [&v](std::string t) {
    v.clase = Valor::Clase::Texto;
    v.texto = std::move(t);
  };
  switch (d.tipo) {
    case 'C':
      texto(OemAAnsi(SinBlancosFinales(b), pagina));
      break;
    case 'D':
      texto(std::string(SinBlancos(b)));
      break;
    case 'N':
    case 'F': {
      std::string_view t = SinBlancos(b);
      if (t.empty()) break;
      if (t.find('*') != std::string_view::npos) ErrorCampo(i, "tiene un valor desbordado (*)");
      if (LeerEntero(t, v.entero)) {
        v.clase = Valor::Clase::Entero;
      } else if (LeerReal(t, v.real)) {
        v.clase = Valor::Clase::Real;
      } else {
        ErrorCampo(i, "no tiene un número válido: \"" + std::string(t) + "\"");
      }
      break;
    }
    case 'L':
      switch (b[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          v.clase = Valor::Clase::Logico;
          v.logico = true;
          break;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          v.clase = Valor::Clase::Logico;
          break;
        case '?':
        case ' ':
        case '\0':
          break;
        default:
          ErrorCampo(i, "no tiene un valor lógico válido: \"" + std::string(b) + "\"");
      }
      break;
    case 'I':
    case '+':
      if (foxpro) {
        v.entero = static_cast<std::int32_t>(Le32(b.data()));
      } else {
        const auto bruto = static_cast<std::uint32_t>(Be(b.data(), 4));
        if (bruto == 0) break;  // never set
        v.entero = static_cast<std::int32_t>(bruto ^ 0x80000000u);
      }
      v.clase = Valor::Clase::Entero;
      break;
    case 'O': {
      std::uint64_t bruto = Be(b.data(), 8);
      if (bruto == 0) break;  // never set
      bruto = (bruto & 0x8000000000000000ull) ? bruto & ~0x8000000000000000ull : ~bruto;
      v.clase = Valor::Clase::Real;
      v.real = std::bit_cast<double>(bruto);
      break;
    }
    case 'B':
      if (foxpro) {
        v.clase = Valor::Clase::Real;
        v.real = std::bit_cast<double>(Le64(b.data()));
      } else {
        texto("");  // a memo block number
      }
      break;
    case 'Y':
      if (!foxpro || d.ancho != 8) ErrorCampo(i, "es de un tipo que no se puede leer (Y)");
      v.clase = Valor::Clase::Real;
      v.real = static_cast<double>(static_cast<std::int64_t>(Le64(b.data()))) / 10000.0;
      break;
    case '@':  // timestamp
    case 'M':
    case 'G':
    case 'P':
      texto("");
      break;
    default:
      ErrorCampo(i, std::string("es de un tipo que no se puede leer (") + d.tipo + ")");
  }
  if (v.clase == Valor::Clase::Real && !std::isfinite(v.real))
    ErrorCampo(i, "no tiene un número válido");
  return v;
}

bool TablaDBF::Estado::Visible(std::size_t r, std::optional<std::size_t> campo) const {
  std::string_view reg = Registro(r);
  if (reg[0] == kBorrado) return false;
  if (!campo) return true;
  return TextoDeValor(Decodificar(Bytes(reg, *campo), *campo)) == literalFiltro;
}

// Stands on the first visible row from `desde` on; at the end, Eof is set and
// the table stays where it was.
void TablaDBF::Estado::Avanzar(std::size_t desde) {
  std::optional<std::size_t> campo;
  if (filtrado && hayFiltro) campo = CampoExigido(campoFiltro);
  for (std::size_t r = desde; r < registros; ++r) {
    if (Visible(r, campo)) {
      actual = r;
      eof = false;
      return;
    }
  }
  eof = true;
}

void TablaDBF::Estado::PrimeraFila() {
  actual.reset();
  Avanzar(0);
}

void TablaDBF::Estado::PostPendiente() {
  if (!pendiente) throw std::runtime_error(kNoEdicion);
  std::string fila = std::move(*pendiente);
  pendiente.reset();
  const std::uint64_t posicion = longCabecera + registros * longRegistro;
  archivo->Escribir(posicion, fila + kFinDatos);

  // Date of last update and record count: bytes 1 to 7 of the header.
  char cabecera[7];
  PonerFechaDeHoy(cabecera);
  PonerLe(cabecera + 3, registros + 1, 4);
  archivo->Escribir(1, std::string_view(cabecera, sizeof cabecera));
  std::copy(cabecera, cabecera + sizeof cabecera, datos.begin() + 1);

  datos += fila;
  actual = registros++;
  eof = false;
}

// ---------------------------------------------------------------------------
// CampoDBF

std::string CampoDBF::AsString() const {
  auto& e = *tabla_->estado_;
  return TextoDeValor(e.ValorActual(indice_));
}

std::int32_t CampoDBF::AsInteger() const {
  auto& e = *tabla_->estado_;
  Valor v = e.ValorActual(indice_);
  auto enRango = [&](double x) -> std::int32_t {
    if (!(x >= std::numeric_limits<std::int32_t>::min() &&
          x <= std::numeric_limits<std::int32_t>::max()))
      e.ErrorCampo(indice_, "tiene un valor fuera del rango de un entero: " + TextoNumero(x));
    return static_cast<std::int32_t>(x);
  };
  switch (v.clase) {
    case Valor::Clase::Vacio:
      return 0;
    case Valor::Clase::Entero:
      return enRango(static_cast<double>(v.entero));
    case Valor::Clase::Real:
      return enRango(std::round(v.real));
    case Valor::Clase::Texto: {
      std::int64_t n;
      if (!LeerEntero(SinBlancos(v.texto), n))
        e.ErrorCampo(indice_, "no tiene un número entero: \"" + v.texto + "\"");
      return enRango(static_cast<double>(n));
    }
    case Valor::Clase::Logico:
      break;
  }
  e.ErrorCampo(indice_, "es lógico y no se puede leer como entero");
}

bool CampoDBF::AsBoolean() const {
  auto& e = *tabla_->estado_;
  Valor v = e.ValorActual(indice_);
  switch (v.clase) {
    case Valor::Clase::Vacio:
      return false;
    case Valor::Clase::Logico:
      return v.logico;
    case Valor::Clase::Texto:
      return !v.texto.empty() && std::string_view("TtYy").find(v.texto[0]) != std::string::npos;
    default:
      e.ErrorCampo(indice_, "es numérico y no se puede leer como lógico");
  }
}

double CampoDBF::AsFloat() const {
  auto& e = *tabla_->estado_;
  Valor v = e.ValorActual(indice_);
  switch (v.clase) {
    case Valor::Clase::Vacio:
      return 0;
    case Valor::Clase::Entero:
      return static_cast<double>(v.entero);
    case Valor::Clase::Real:
      return v.real;
    case Valor::Clase::Texto: {
      double x;
      if (!LeerReal(SinBlancos(v.texto), x))
        e.ErrorCampo(indice_, "no tiene un número: \"" + v.texto + "\"");
      return x;
    }
    case Valor::Clase::Logico:
      break;
  }
  e.ErrorCampo(indice_, "es lógico y no se puede leer como número");
}

namespace {

// A number in a character-coded numeric field: right-aligned, with the
// field's decimals.
std::string FormatoNumerico(double x, const DescripcionCampo& d, bool* cabe) {
  if (x == 0) x = 0;  // no "-0"
  char b[400];
  std::to_chars_result r =
      d.decimales > 0
          ? std::to_chars(b, b + sizeof b, x, std::chars_format::fixed, std::min(d.decimales, 15))
          : std::to_chars(b, b + sizeof b, std::round(x) == 0 ? 0.0 : std::round(x),
                          std::chars_format::fixed, 0);
  std::string t(b, r.ec == std::errc() ? r.ptr : b);
  *cabe = r.ec == std::errc() && t.size() <= static_cast<std::size_t>(d.ancho);
  if (!*cabe) return t;
  return std::string(static_cast<std::size_t>(d.ancho) - t.size(), ' ') + t;
}

}  // namespace

// Stores a number in the pending row as the field's kind wants it.
static void EscribirNumero(TablaDBF::Estado& e, std::size_t i, double x, bool entero) {
  char* p = e.Destino(i);
  const DescripcionCampo& d = e.campos[i];
  if (!std::isfinite(x)) e.ErrorCampo(i, "no admite un valor no finito");
  switch (d.tipo) {
    case 'N':
    case 'F': {
      bool cabe;
      std::string t = FormatoNumerico(x, d, &cabe);
      if (!cabe) e.ErrorCampo(i, "(ancho " + std::to_string(d.ancho) + ") no admite el valor " + t);
      std::copy(t.begin(), t.end(), p);
      return;
    }
    case 'C': {
      std::string t = entero ? std::to_string(static_cast<std::int64_t>(x)) : TextoNumero(x);
      t.resize(std::min(t.size(), static_cast<std::size_t>(d.ancho)));
      t.resize(static_cast<std::size_t>(d.ancho), ' ');
      std::copy(t.begin(), t.end(), p);
      return;
    }
    case 'I':
    case '+': {
      if (x != std::trunc(x) || x < std::numeric_limits<std::int32_t>::min() ||
          x > std::numeric_limits<std::int32_t>::max())
        e.ErrorCampo(i, "no admite el valor " + TextoNumero(x));
      auto n = static_cast<std::uint32_t>(static_cast<std::int32_t>(x));
      if (e.foxpro)
        PonerLe(p, n, 4);
      else
        PonerBe(p, n ^ 0x80000000u, 4);
      return;
    }
    case 'O': {
      auto bruto = std::bit_cast<std::uint64_t>(x);
      bruto = (bruto & 0x8000000000000000ull) ? ~bruto : bruto | 0x8000000000000000ull;
      PonerBe(p, bruto, 8);
      return;
    }
    case 'B':
      if (e.foxpro) {
        PonerLe(p, std::bit_cast<std::uint64_t>(x), 8);
        return;
      }
      break;
    default:
      break;
  }
  e.ErrorCampo(i, std::string("(tipo ") + d.tipo + ") no admite un número");
}

void CampoDBF::SetAsString(std::string_view valor) {
  auto& e = *tabla_->estado_;
  char* p = e.Destino(indice_);
  const DescripcionCampo& d = e.campos[indice_];
  const auto ancho = static_cast<std::size_t>(d.ancho);
  switch (d.tipo) {
    case 'C':
    case 'D': {
      std::string t = AnsiAOem(valor.substr(0, std::min(valor.size(), ancho)), e.pagina);
      t.resize(ancho, ' ');
      std::copy(t.begin(), t.end(), p);
      return;
    }
    case 'L': {
      std::string_view t = SinBlancos(valor);
      if (t.empty()) {
        *p = ' ';
      } else if (std::string_view("TtYy").find(t[0]) != std::string_view::npos) {
        *p = 'T';
      } else if (std::string_view("FfNn").find(t[0]) != std::string_view::npos) {
        *p = 'F';
      } else {
        e.ErrorCampo(indice_, "no admite el valor lógico \"" + std::string(valor) + "\"");
      }
      return;
    }
    default: {
      std::string_view t = SinBlancos(valor);
      if (t.empty()) {
        if (d.tipo == 'N' || d.tipo == 'F') {
          std::fill(p, p + ancho, ' ');
          return;
        }
        if (d.tipo == 'I' || d.tipo == '+' || d.tipo == 'O') {
          std::fill(p, p + ancho, '\0');
          return;
        }
      }
      std::int64_t n;
      double x;
      if (LeerEntero(t, n)) {
        EscribirNumero(e, indice_, static_cast<double>(n), true);
      } else if (LeerReal(t, x)) {
        EscribirNumero(e, indice_, x, false);
      } else {
        e.ErrorCampo(indice_, "no admite el valor \"" + std::string(valor) + "\"");
      }
    }
  }
}

void CampoDBF::SetAsInteger(std::int32_t valor) {
  EscribirNumero(*tabla_->estado_, indice_, valor, true);
}

void CampoDBF::SetAsFloat(double valor) {
  EscribirNumero(*tabla_->estado_, indice_, valor, false);
}

void CampoDBF::SetAsBoolean(bool valor) {
  auto& e = *tabla_->estado_;
  char* p = e.Destino(indice_);
  const DescripcionCampo& d = e.campos[indice_];
  if (d.tipo == 'L') {
    *p = valor ? 'T' : 'F';
  } else if (d.tipo == 'C') {
    std::fill(p, p + d.ancho, ' ');
    *p = valor ? 'T' : 'F';
  } else {
    e.ErrorCampo(indice_, "no admite un valor lógico");
  }
}

const DescripcionCampo& CampoDBF::Descripcion() const {
  tabla_->estado_->ExigirCampo(indice_);
  return tabla_->estado_->campos[indice_];
}

// ---------------------------------------------------------------------------
// TablaDBF

TablaDBF::TablaDBF() : estado_(std::make_unique<Estado>()) {}

TablaDBF::TablaDBF(std::filesystem::path carpeta, std::string nombre, bool exclusivo)
    : DatabaseName(std::move(carpeta)),
      TableName(std::move(nombre)),
      Exclusive(exclusivo),
      estado_(std::make_unique<Estado>()) {}

TablaDBF::~TablaDBF() {
  Close();
}

namespace {

// A table's file name as a path: the name is UTF-8 text, like every text of
// the program (on Windows a path from a std::string would read its bytes in
// the ANSI code page). Bytes that are not UTF-8 are taken as before.
std::filesystem::path RutaUtf8(std::string_view nombre) {
  try {
    return std::filesystem::path(std::u8string(nombre.begin(), nombre.end()));
  } catch (const std::exception&) {
    return std::filesystem::path(std::string(nombre));
  }
}

// The entry of `carpeta` whose name equals `nombre` ignoring ASCII letter
// case (the exact name first, else the first in name order), or
// `carpeta`/`nombre` when there is none. Windows finds such a file by itself
// but keeps the case it was created with: the entry gives that name, so the
// path names the file as the folder shows it on every system.
std::filesystem::path BuscarSinCaso(const std::filesystem::path& carpeta,
                                    const std::string& nombre) {
  std::filesystem::path exacto = carpeta / RutaUtf8(nombre);
  std::error_code ec;
#ifndef _WIN32
  if (std::filesystem::exists(exacto, ec)) return exacto;
#endif
  std::optional<std::filesystem::path> hallado;
  for (std::filesystem::directory_iterator it(carpeta, ec), fin; !ec && it != fin;
       it.increment(ec)) {
    const std::string n = TextoRuta(it->path().filename());
    if (n == nombre) return it->path();
    if (IgualesSinCaso(n, nombre) && (!hallado || it->path() < *hallado)) hallado = it->path();
  }
  return hallado ? *hallado : exacto;
}

std::string NombreFichero(std::string_view tabla) {
  std::string n(tabla);
  if (!RutaUtf8(n).has_extension()) n += ".DBF";
  return n;
}

std::string NombreTabla(std::string_view tabla) {
  return TextoRuta(RutaUtf8(tabla).stem());
}

bool EsLetra(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool EsLetraNombre(char c) {
  return EsLetra(c) || (c >= '0' && c <= '9') || c == '_';
}

bool NombreCampoValido(std::string_view n) {
  return !n.empty() && EsLetra(n[0]) && std::all_of(n.begin(), n.end(), EsLetraNombre);
}

}  // namespace

std::filesystem::path TablaDBF::Fichero() const {
  return BuscarSinCaso(DatabaseName, NombreFichero(TableName));
}

void TablaDBF::CreateTable() {
  const std::string nombre = NombreTabla(TableName);
  if (Active()) throw std::runtime_error("La tabla " + nombre + " está abierta");
  const auto& defs = FieldDefs.Lista();
  auto error = [&nombre](const std::string& que) {
    throw std::runtime_error("No se puede crear la tabla " + nombre + ": " + que);
  };
  if (defs.empty()) error("no tiene campos");
  if (defs.size() > kMaxCampos) error("tiene más de " + std::to_string(kMaxCampos) + " campos");

  std::string descriptores;
  std::size_t longRegistro = 1;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const auto& def = defs[i];
    if (!NombreCampoValido(def.nombre))
      error("el nombre de campo \"" + def.nombre +
            "\" no es válido (letra inicial, luego letras, cifras o '_')");
    if (def.nombre.size() > kMaxNombreEscrito)
      error("el nombre de campo " + def.nombre + " tiene más de " +
            std::to_string(kMaxNombreEscrito) + " caracteres");
    for (std::size_t j = 0; j < i; ++j)
      if (IgualesSinCaso(defs[j].nombre, def.nombre))
        error("el campo " + def.nombre + " está repetido");
    char tipo = 'N';
    int ancho = 0, decimales = 0;
    switch (def.tipo) {
      case TipoCampo::Texto:
        tipo = 'C';
        ancho = def.ancho;
        if (ancho < 1 || ancho > kMaxAnchoTexto)
          error("el campo " + def.nombre + " tiene ancho " + std::to_string(ancho) + " (de 1 a " +
                std::to_string(kMaxAnchoTexto) + ")");
        break;
      case TipoCampo::Entero:
        ancho = 11;
        break;
      case TipoCampo::Logico:
        tipo = 'L';
        ancho = 1;
        break;
      case TipoCampo::Flotante:
        ancho = 20;
        decimales = 4;
        break;
    }
    std::string desc(32, '\0');
    for (std::size_t k = 0; k < def.nombre.size(); ++k) desc[k] = Mayuscula(def.nombre[k]);
    desc[11] = tipo;
    desc[16] = static_cast<char>(ancho);
    desc[17] = static_cast<char>(decimales);
    descriptores += desc;
    longRegistro += static_cast<std::size_t>(ancho);
  }
  if (longRegistro > 0xFFFF) error("la suma de los anchos de campo es demasiado grande");

  const std::size_t longCabecera = 32 + descriptores.size() + 1;
  std::string fichero(32, '\0');
  fichero[0] = static_cast<char>(kVersionEscrita);
  PonerFechaDeHoy(&fichero[1]);
  PonerLe(&fichero[8], longCabecera, 2);
  PonerLe(&fichero[10], longRegistro, 2);
  fichero[29] = static_cast<char>(kLenguajeAnsi);
  fichero += descriptores;
  fichero += kFinDescriptores;
  fichero += kFinDatos;

  auto archivo = ArchivoTabla::Crear(Fichero());
  archivo->Escribir(0, fichero);
}

void TablaDBF::Open() {
  if (Active()) return;
  Estado& e = *estado_;
  e.ruta = Fichero();
  e.nombre = NombreTabla(TableName);
  try {
    e.archivo = ArchivoTabla::Abrir(e.ruta, Exclusive);
    e.datos = e.archivo->LeerTodo();
    e.Analizar();
    e.PrimeraFila();
  } catch (...) {
    Close();
    throw;
  }
}

void TablaDBF::Close() {
  Estado& e = *estado_;
  e.archivo.reset();
  e.datos.clear();
  e.datos.shrink_to_fit();
  e.campos.clear();
  e.desplazamientos.clear();
  e.registros = 0;
  e.actual.reset();
  e.eof = true;
  e.pendiente.reset();
}

bool TablaDBF::Active() const {
  return estado_->archivo != nullptr;
}

namespace {

void ExigirAbierta(const TablaDBF& t, const std::string& nombre) {
  if (!t.Active()) throw std::runtime_error("La tabla " + nombre + " no está abierta");
}

}  // namespace

void TablaDBF::First() {
  ExigirAbierta(*this, NombreTabla(TableName));
  if (estado_->pendiente) estado_->PostPendiente();
  estado_->PrimeraFila();
}

void TablaDBF::Next() {
  ExigirAbierta(*this, NombreTabla(TableName));
  Estado& e = *estado_;
  if (e.pendiente) e.PostPendiente();
  if (e.eof || !e.actual) return;
  e.Avanzar(*e.actual + 1);
}

bool TablaDBF::Eof() const {
  return estado_->eof;
}

void TablaDBF::Append() {
  ExigirAbierta(*this, NombreTabla(TableName));
  Estado& e = *estado_;
  if (!e.archivo->Escribible())
    throw std::runtime_error("La tabla " + TextoRuta(e.ruta) + " es de solo lectura");
  e.archivo->HacerExclusivo();
  if (e.pendiente) e.PostPendiente();
  e.pendiente = std::string(e.longRegistro, ' ');
  // Fields whose blank is not spaces start as never set.
  for (std::size_t i = 0; i < e.campos.size(); ++i) {
    char t = e.campos[i].tipo;
    if (t == 'I' || t == '+' || t == 'O' || t == '@' || (e.foxpro && (t == 'B' || t == 'Y')))
      std::fill_n(e.pendiente->begin() + static_cast<std::ptrdiff_t>(e.desplazamientos[i]),
                  e.campos[i].ancho, '\0');
  }
}

void TablaDBF::Post() {
  if (!Active()) throw std::runtime_error(kNoEdicion);
  estado_->PostPendiente();
}

CampoDBF TablaDBF::FieldByName(std::string_view nombre) {
  ExigirAbierta(*this, NombreTabla(TableName));
  return CampoDBF(this, estado_->CampoExigido(nombre));
}

const std::vector<DescripcionCampo>& TablaDBF::Campos() const {
  return estado_->campos;
}

void TablaDBF::SetFilter(std::string_view texto) {
  auto invalido = [&] {
    throw std::runtime_error("El filtro \"" + std::string(texto) + "\" de la tabla " +
                             NombreTabla(TableName) + " no es válido: se espera CAMPO= 'valor'");
  };
  std::string_view t = texto;
  auto blancos = [&t] {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  };
  blancos();
  std::string campo, literal;
  bool hay = !t.empty();
  if (hay) {
    while (!t.empty() && EsLetraNombre(t.front())) {
      campo += t.front();
      t.remove_prefix(1);
    }
    if (campo.empty()) invalido();
    blancos();
    if (t.empty() || t.front() != '=') invalido();
    t.remove_prefix(1);
    blancos();
    if (t.empty() || t.front() != '\'') invalido();
    t.remove_prefix(1);
    for (;;) {
      if (t.empty()) invalido();  // unterminated literal
      char c = t.front();
      t.remove_prefix(1);
      if (c != '\'') {
        literal += c;
      } else if (!t.empty() && t.front() == '\'') {
        literal += '\'';
        t.remove_prefix(1);
      } else {
        break;
      }
    }
    blancos();
    if (!t.empty()) invalido();
  }
  Estado& e = *estado_;
  if (hay && Active()) e.CampoExigido(campo);
  if (Active() && e.pendiente) e.PostPendiente();
  e.hayFiltro = hay;
  e.campoFiltro = std::move(campo);
  e.literalFiltro = std::move(literal);
  if (Active() && e.filtrado) e.PrimeraFila();
}

void TablaDBF::SetFiltered(bool filtrado) {
  Estado& e = *estado_;
  if (Active() && e.pendiente) e.PostPendiente();
  e.filtrado = filtrado;
  if (Active()) e.PrimeraFila();
}

void BorrarTabla(const std::filesystem::path& carpeta, std::string_view nombre) {
  const std::string base = NombreTabla(nombre);
  std::error_code ec;
  std::filesystem::remove(BuscarSinCaso(carpeta, NombreFichero(nombre)), ec);
  std::filesystem::remove(BuscarSinCaso(carpeta, base + ".MDX"), ec);
}

bool ExisteTabla(const std::filesystem::path& carpeta, std::string_view nombre) {
  std::error_code ec;
  return std::filesystem::is_regular_file(BuscarSinCaso(carpeta, NombreFichero(nombre)), ec);
}

}  // namespace transzorvos
