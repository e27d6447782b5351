// The XML document service on the Windows XML DOM ("Microsoft.XMLDOM").
//
// The component parses and holds the tree and evaluates the paths; what it
// does differently between Windows and Wine, or differently from libxml2,
// this file does itself, so both backends read and write the same:
// - the file's bytes are read and decoded here (BOM, declared encoding) and
//   the component gets Unicode text without the XML declaration;
// - entity declarations are refused before the component sees them (the one
//   sure defence against expansion bombs and external entities);
// - texts are gathered from the text nodes, not from the component's `text`,
//   which trims under some settings;
// - saving serialises the tree here and encodes it in the declared encoding
//   (Wine's own save writes UTF-8 bytes under any declaration).
#include <windows.h>
// windows.h first: msxml2.h relies on its types.
#include <msxml2.h>

#include <algorithm>
#include <cwchar>
#include <random>
#include <stdexcept>
#include <utility>

#include "exchange/Ansi.h"
#include "exchange/DocumentoXML.h"

namespace transzorvos {

namespace {

// IXMLDOMDocument2, for setProperty; the import libraries carry no symbol
// for its identifier.
const IID kIIDDocumento2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// --- Small owners of COM resources ------------------------------------------

// Holds one reference to a COM interface.
template <class T>
class Com {
 public:
  Com() = default;
  explicit Com(T* p) : p_(p) {}
  Com(const Com& otro) : p_(otro.p_) {
    if (p_) p_->AddRef();
  }
  Com& operator=(Com otro) {
    std::swap(p_, otro.p_);
    return *this;
  }
  ~Com() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held first.
  T** Recibir() {
    *this = Com();
    return &p_;
  }
  template <class U>
  Com<U> Como(const IID& iid) const {
    Com<U> otro;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(otro.Recibir()));
    return otro;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& texto)
      : b_(SysAllocStringLen(texto.data(), static_cast<UINT>(texto.size()))) {
    if (!b_) throw std::runtime_error("No hay memoria para un texto del documento XML");
  }
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* Recibir() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  std::wstring Texto() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

class Variante {
 public:
  Variante() { VariantInit(&v_); }
  ~Variante() { VariantClear(&v_); }
  Variante(const Variante&) = delete;
  Variante& operator=(const Variante&) = delete;
  VARIANT* get() { return &v_; }
  std::wstring Texto() const {
    return v_.vt == VT_BSTR && v_.bstrVal ? std::wstring(v_.bstrVal, SysStringLen(v_.bstrVal))
                                          : std::wstring();
  }

 private:
  VARIANT v_;
};

// --- Unicode ------------------------------------------------------------------

void AnadirUtf16(std::wstring& salida, char32_t c) {
  if (c >= 0x10000) {
    salida += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    salida += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    salida += static_cast<wchar_t>(c);
  }
}

// The code point at texto[*i] (a surrogate pair counts as one), advancing *i.
// A lone surrogate comes back as itself.
char32_t SiguienteCodigo(std::wstring_view texto, std::size_t* i) {
  const char32_t c = texto[(*i)++];
  if (c >= 0xD800 && c <= 0xDBFF && *i < texto.size() && texto[*i] >= 0xDC00 &&
      texto[*i] <= 0xDFFF) {
    return 0x10000 + ((c - 0xD800) << 10) + (texto[(*i)++] - 0xDC00);
  }
  return c;
}

std::string Utf8(std::wstring_view texto) {
  std::string salida;
  salida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size();) AnadirUtf8(salida, SiguienteCodigo(texto, &i));
  return salida;
}

// Strict UTF-8 decoding. Returns false at the first malformed sequence and
// stores the byte offset where it starts in *malo.
bool DecodificarUtf8(std::string_view bytes, std::wstring* salida, std::size_t* malo) {
  salida->clear();
  salida->reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    int largo;
    char32_t c;
    char32_t minimo;
    if (b < 0x80) {
      largo = 1, c = b, minimo = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      largo = 2, c = b & 0x1F, minimo = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      largo = 3, c = b & 0x0F, minimo = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      largo = 4, c = b & 0x07, minimo = 0x10000;
    } else {
      *malo = i;
      return false;
    }
    if (bytes.size() - i < static_cast<std::size_t>(largo)) {
      *malo = i;
      return false;
    }
    for (int k = 1; k < largo; ++k) {
      const auto s = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      if ((s & 0xC0) != 0x80) {
        *malo = i;
        return false;
      }
      c = (c << 6) | (s & 0x3F);
    }
    if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      *malo = i;
      return false;
    }
    AnadirUtf16(*salida, c);
    i += static_cast<std::size_t>(largo);
  }
  return true;
}

bool EsCaracterXML(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// A text handed in by a caller, as UTF-16, after checking that XML can carry
// it (same wording as the other backend).
std::wstring TextoDeLlamada(std::string_view utf8, std::string_view que) {
  std::wstring salida;
  std::size_t malo = 0;
  std::string problema;
  if (!DecodificarUtf8(utf8, &salida, &malo)) {
    problema = "UTF-8 mal formado";
  } else {
    for (std::size_t i = 0; i < salida.size() && problema.empty();) {
      const char32_t c = SiguienteCodigo(salida, &i);
      if (!EsCaracterXML(c)) {
        char codigo[32];
        std::snprintf(codigo, sizeof codigo, "el carácter U+%04lX", static_cast<unsigned long>(c));
        problema = codigo;
      }
    }
  }
  if (!problema.empty()) {
    throw std::runtime_error(std::string(que) + " no cabe en un documento XML: contiene " +
                             problema);
  }
  return salida;
}

// XML 1.0 (fifth edition) name characters.
bool EsInicioDeNombre(char32_t c) {
  return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
         (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

bool EsCaracterDeNombre(char32_t c) {
  return EsInicioDeNombre(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

std::wstring NombreDeLlamada(std::string_view nombre, std::string_view que) {
  const std::string s(nombre);
  auto rechazar = [&] {
    return std::runtime_error("El nombre de " + std::string(que) + " '" + s +
                              "' no es válido en XML");
  };
  std::wstring ancho;
  std::size_t malo = 0;
  if (s.empty() || !DecodificarUtf8(s, &ancho, &malo)) throw rechazar();
  for (std::size_t i = 0; i < ancho.size();) {
    const bool primero = i == 0;
    const char32_t c = SiguienteCodigo(ancho, &i);
    if (!(primero ? EsInicioDeNombre(c) : EsCaracterDeNombre(c))) throw rechazar();
  }
  return ancho;
}

// --- Errors ---------------------------------------------------------------------

std::string TextoDelSistema(DWORD codigo) {
  wchar_t* texto = nullptr;
  const DWORD largo = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&texto), 0, nullptr);
  std::wstring w = largo && texto ? std::wstring(texto, largo) : std::wstring();
  LocalFree(texto);
  while (!w.empty() && (w.back() == L'\n' || w.back() == L'\r' || w.back() == L' ')) w.pop_back();
  if (w.empty()) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "error 0x%08lX", static_cast<unsigned long>(codigo));
    return hex;
  }
  return Utf8(w);
}

// The component's description of the last error, or the system's text for
// the code when it gave none.
std::string TextoDeError(HRESULT hr) {
  Com<IErrorInfo> info;
  if (GetErrorInfo(0, info.Recibir()) == S_OK && info) {
    Bstr descripcion;
    if (SUCCEEDED(info->GetDescription(descripcion.Recibir()))) {
      std::wstring w = descripcion.Texto();
      while (!w.empty() && (w.back() == L'\n' || w.back() == L'\r' || w.back() == L' ')) {
        w.pop_back();
      }
      if (!w.empty()) return Utf8(w);
    }
  }
  return TextoDelSistema(static_cast<DWORD>(hr));
}

void Comprobar(HRESULT hr, const std::string& que) {
  if (FAILED(hr)) throw std::runtime_error(que + ": " + TextoDeError(hr));
}

std::string NombreFichero(const std::filesystem::path& fichero) {
  const std::u8string u8 = fichero.u8string();
  return std::string(u8.begin(), u8.end());
}

// --- The component ----------------------------------------------------------------

void IniciarCOM() {
  // Once per thread. A thread already initialised in the other model can
  // still create this in-process component, so that result is fine too.
  thread_local const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) {
    throw std::runtime_error("No se puede iniciar COM: " + TextoDelSistema(static_cast<DWORD>(hr)));
  }
}

void PonerPropiedad(IXMLDOMDocument2* doc, const wchar_t* nombre, const wchar_t* valor) {
  Variante v;
  v.get()->vt = VT_BSTR;
  v.get()->bstrVal = SysAllocString(valor);
  Bstr n(nombre);
  Comprobar(doc->setProperty(n.get(), *v.get()),
            "No se puede preparar el documento XML (" + Utf8(nombre) + ")");
}

Com<IXMLDOMDocument2> NuevoDocumentoDOM() {
  IniciarCOM();
  CLSID clase;
  Comprobar(CLSIDFromProgID(L"Microsoft.XMLDOM", &clase),
            "No se puede crear el documento XML Microsoft.XMLDOM");
  Com<IXMLDOMDocument2> doc;
  Comprobar(CoCreateInstance(clase, nullptr, CLSCTX_INPROC_SERVER, kIIDDocumento2,
                             reinterpret_cast<void**>(doc.Recibir())),
            "No se puede crear el documento XML Microsoft.XMLDOM");
  const std::string que = "No se puede preparar el documento XML";
  Comprobar(doc->put_async(VARIANT_FALSE), que);
  Comprobar(doc->put_validateOnParse(VARIANT_FALSE), que);
  Comprobar(doc->put_resolveExternals(VARIANT_FALSE), que);
  Comprobar(doc->put_preserveWhiteSpace(VARIANT_TRUE), que);
  // This component's default is the older pattern language, which counts
  // positions from 0.
  PonerPropiedad(doc.get(), L"SelectionLanguage", L"XPath");
  return doc;
}

// --- Encodings ------------------------------------------------------------------

enum class Codificacion { kUtf8, kUtf16LE, kUtf16BE, kLatin1, kWindows1252 };

// What the file's XML declaration said, to be written back on save.
struct Declaracion {
  bool presente = false;
  std::wstring version = L"1.0";
  std::wstring codificacion;  // as written; empty when not given
  std::wstring independiente;
};

bool IgualesSinMayusculas(std::wstring_view a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::towlower(a[i]) != std::towlower(static_cast<wchar_t>(b[i]))) return false;
  }
  return i == a.size() && !b[i];
}

bool CodificacionPorNombre(std::wstring_view nombre, Codificacion* c) {
  for (const char* n : {"UTF-8", "UTF8", "US-ASCII", "ASCII"}) {
    if (IgualesSinMayusculas(nombre, n)) return *c = Codificacion::kUtf8, true;
  }
  for (const char* n : {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "ISO-LATIN-1"}) {
    if (IgualesSinMayusculas(nombre, n)) return *c = Codificacion::kLatin1, true;
  }
  for (const char* n : {"WINDOWS-1252", "CP1252"}) {
    if (IgualesSinMayusculas(nombre, n)) return *c = Codificacion::kWindows1252, true;
  }
  return false;
}

bool EsEspacio(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// Reads the pseudo-attributes of an XML declaration "<?xml ...?>" at the
// start of `texto`. Returns the declaration's length, or 0 when there is none.
std::size_t LeerDeclaracion(std::wstring_view texto, Declaracion* d) {
  if (texto.substr(0, 5) != L"<?xml" || texto.size() < 6 || !EsEspacio(texto[5])) return 0;
  const std::size_t fin = texto.find(L"?>");
  if (fin == std::wstring_view::npos) return 0;
  const std::wstring_view dentro = texto.substr(5, fin - 5);
  std::size_t i = 0;
  while (i < dentro.size()) {
    while (i < dentro.size() && EsEspacio(dentro[i])) ++i;
    const std::size_t nombre = i;
    while (i < dentro.size() && dentro[i] != L'=' && !EsEspacio(dentro[i])) ++i;
    const std::wstring_view clave = dentro.substr(nombre, i - nombre);
    while (i < dentro.size() && (EsEspacio(dentro[i]) || dentro[i] == L'=')) ++i;
    if (i >= dentro.size() || (dentro[i] != L'"' && dentro[i] != L'\'')) break;
    const wchar_t comilla = dentro[i++];
    const std::size_t valor = i;
    while (i < dentro.size() && dentro[i] != comilla) ++i;
    const std::wstring v(dentro.substr(valor, i - valor));
    ++i;
    if (clave == L"version") d->version = v;
    if (clave == L"encoding") d->codificacion = v;
    if (clave == L"standalone") d->independiente = v;
  }
  d->presente = true;
  return fin + 2;
}

struct Decodificado {
  std::wstring texto;  // without BOM or XML declaration
  Declaracion declaracion;
  Codificacion codificacion = Codificacion::kUtf8;  // read in; then, to write back in
};

std::runtime_error MalFormado(const std::filesystem::path& fichero, const std::string& motivo,
                              long linea) {
  return std::runtime_error("El fichero " + NombreFichero(fichero) +
                            " no es un documento XML bien formado: " + motivo + " (línea " +
                            std::to_string(std::max(linea, 1L)) + ")");
}

long LineaDe(std::string_view bytes, std::size_t posicion) {
  return 1 + static_cast<long>(
                 std::count(bytes.begin(), bytes.begin() + static_cast<long>(posicion), '\n'));
}

Decodificado Decodificar(const std::filesystem::path& fichero, std::string_view bytes) {
  Decodificado d;
  auto empieza = [&](const char* prefijo, std::size_t n) {
    return bytes.size() >= n && bytes.substr(0, n) == std::string_view(prefijo, n);
  };
  std::size_t inicio = 0;
  bool porBom = true;
  if (empieza("\xEF\xBB\xBF", 3)) {
    d.codificacion = Codificacion::kUtf8, inicio = 3;
  } else if (empieza("\xFF\xFE", 2)) {
    d.codificacion = Codificacion::kUtf16LE, inicio = 2;
  } else if (empieza("\xFE\xFF", 2)) {
    d.codificacion = Codificacion::kUtf16BE, inicio = 2;
  } else if (empieza("<\0?\0", 4)) {
    d.codificacion = Codificacion::kUtf16LE;
  } else if (empieza("\0<\0?", 4)) {
    d.codificacion = Codificacion::kUtf16BE;
  } else {
    porBom = false;
    // An ASCII-compatible encoding: the declaration, if any, names it.
    std::wstring cabeza;
    for (std::size_t i = 0; i < bytes.size() && i < 200; ++i) {
      cabeza += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    Declaracion previa;
    if (LeerDeclaracion(cabeza, &previa) && !previa.codificacion.empty() &&
        !CodificacionPorNombre(previa.codificacion, &d.codificacion)) {
      if (IgualesSinMayusculas(previa.codificacion, "UTF-16")) {
        throw MalFormado(fichero, "declara UTF-16 pero no empieza por la marca de orden de bytes",
                         1);
      }
      throw MalFormado(fichero, "la codificación '" + Utf8(previa.codificacion) + "' no se admite",
                       1);
    }
  }
  const std::string_view cuerpo = bytes.substr(inicio);
  switch (d.codificacion) {
    case Codificacion::kUtf8: {
      std::size_t malo = 0;
      if (!DecodificarUtf8(cuerpo, &d.texto, &malo)) {
        throw MalFormado(fichero, "el texto no es UTF-8 válido", LineaDe(cuerpo, malo));
      }
      break;
    }
    case Codificacion::kUtf16LE:
    case Codificacion::kUtf16BE: {
      if (cuerpo.size() % 2) {
        throw MalFormado(fichero, "el texto UTF-16 termina en medio de un carácter",
                         LineaDe(cuerpo, cuerpo.size()) / 2 + 1);
      }
      const bool grande = d.codificacion == Codificacion::kUtf16BE;
      d.texto.reserve(cuerpo.size() / 2);
      for (std::size_t i = 0; i < cuerpo.size(); i += 2) {
        const auto a = static_cast<unsigned char>(cuerpo[i]);
        const auto b = static_cast<unsigned char>(cuerpo[i + 1]);
        d.texto += static_cast<wchar_t>(grande ? (a << 8) | b : (b << 8) | a);
      }
      break;
    }
    case Codificacion::kLatin1:
      for (char c : cuerpo) d.texto += static_cast<wchar_t>(static_cast<unsigned char>(c));
      break;
    case Codificacion::kWindows1252: {
      std::size_t malo = 0;
      DecodificarUtf8(AnsiAUtf8(cuerpo), &d.texto, &malo);
      break;
    }
  }
  const std::size_t largo = LeerDeclaracion(d.texto, &d.declaracion);
  // A BOM decides how the bytes are read; the declaration decides how they
  // are written back.
  Codificacion declarada = Codificacion::kUtf8;
  const std::wstring& nombre = d.declaracion.codificacion;
  const bool conocida = !nombre.empty() && CodificacionPorNombre(nombre, &declarada);
  if (porBom && !nombre.empty() && !conocida && !IgualesSinMayusculas(nombre, "UTF-16")) {
    throw MalFormado(fichero, "la codificación '" + Utf8(nombre) + "' no se admite", 1);
  }
  if (IgualesSinMayusculas(nombre, "UTF-16")) {
    if (d.codificacion == Codificacion::kUtf8) {
      throw MalFormado(fichero, "declara UTF-16 pero no empieza por la marca de orden de bytes", 1);
    }
    // Written back little-endian, with its byte-order mark.
    d.codificacion = Codificacion::kUtf16LE;
  } else if (!nombre.empty()) {
    d.codificacion = declarada;
  } else {
    d.codificacion = Codificacion::kUtf8;
  }
  // The line breaks inside the declaration stay, so lines keep their numbers.
  const std::wstring_view quitada = std::wstring_view(d.texto).substr(0, largo);
  d.texto.replace(
      0, largo, static_cast<std::size_t>(std::count(quitada.begin(), quitada.end(), L'\n')), L'\n');
  return d;
}

// Refuses any entity declaration in the document type's internal subset:
// the exchange format has no use for them, and expansion bombs and external
// entities can only come in through them.
// Returns the document type declaration as written, or "" when none.
std::wstring RechazarEntidades(const std::filesystem::path& fichero, std::wstring_view t) {
  std::size_t i = 0;
  auto linea = [&](std::size_t posicion) {
    return 1 +
           static_cast<long>(std::count(t.begin(), t.begin() + static_cast<long>(posicion), L'\n'));
  };
  auto saltar = [&](std::wstring_view hasta) {
    const std::size_t fin = t.find(hasta, i);
    i = fin == std::wstring_view::npos ? t.size() : fin + hasta.size();
  };
  auto saltarLiteral = [&] {
    const wchar_t comilla = t[i++];
    while (i < t.size() && t[i] != comilla) ++i;
    if (i < t.size()) ++i;
  };
  // The prolog: white space, comments and processing instructions.
  while (i < t.size()) {
    if (EsEspacio(t[i])) {
      ++i;
    } else if (t.substr(i, 4) == L"<!--") {
      saltar(L"-->");
    } else if (t.substr(i, 2) == L"<?") {
      saltar(L"?>");
    } else {
      break;
    }
  }
  if (t.substr(i, 9) != L"<!DOCTYPE") return {};
  const std::size_t inicio = i;
  auto declaracion = [&] {
    while (i < t.size() && t[i] != L'>') ++i;
    return std::wstring(t.substr(inicio, std::min(i + 1, t.size()) - inicio));
  };
  i += 9;
  while (i < t.size() && t[i] != L'[' && t[i] != L'>') {
    if (t[i] == L'"' || t[i] == L'\'') {
      saltarLiteral();
    } else {
      ++i;
    }
  }
  if (i >= t.size() || t[i] != L'[') return declaracion();
  ++i;
  while (i < t.size() && t[i] != L']') {
    if (t.substr(i, 4) == L"<!--") {
      saltar(L"-->");
    } else if (t.substr(i, 2) == L"<?") {
      saltar(L"?>");
    } else if (t.substr(i, 8) == L"<!ENTITY") {
      const std::size_t declaracion = i;
      i += 8;
      while (i < t.size() && (EsEspacio(t[i]) || t[i] == L'%')) ++i;
      const std::size_t nombre = i;
      while (i < t.size() && !EsEspacio(t[i]) && t[i] != L'>' && t[i] != L'"' && t[i] != L'\'') ++i;
      std::string n = Utf8(t.substr(nombre, i - nombre));
      if (n.empty()) n = "?";
      throw std::runtime_error("El fichero " + NombreFichero(fichero) +
                               " no se admite como documento XML: declara la entidad '" + n +
                               "' (línea " + std::to_string(linea(declaracion)) + ")");
    } else if (t.substr(i, 2) == L"<!") {
      while (i < t.size() && t[i] != L'>') {
        if (t[i] == L'"' || t[i] == L'\'') {
          saltarLiteral();
        } else {
          ++i;
        }
      }
      ++i;
    } else {
      ++i;
    }
  }
  return declaracion();
}

// Encodes serialised text in the document's encoding. Characters the encoding
// lacks were already written as character references where XML allows them;
// any left (in names, comments) make saving fail.
std::string Codificar(std::wstring_view texto, Codificacion c, const std::string& nombre) {
  std::string salida;
  salida.reserve(texto.size() + 2);
  if (c == Codificacion::kUtf16LE || c == Codificacion::kUtf16BE) {
    const bool grande = c == Codificacion::kUtf16BE;
    salida += grande ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t u : texto) {
      const char alto = static_cast<char>((u >> 8) & 0xFF), bajo = static_cast<char>(u & 0xFF);
      salida += grande ? alto : bajo;
      salida += grande ? bajo : alto;
    }
    return salida;
  }
  if (c == Codificacion::kUtf8) return Utf8(texto);
  for (std::size_t i = 0; i < texto.size();) {
    const char32_t codigo = SiguienteCodigo(texto, &i);
    std::string utf8;
    AnadirUtf8(utf8, codigo);
    const std::string byte =
        c == Codificacion::kLatin1
            ? (codigo <= 0xFF ? std::string(1, static_cast<char>(codigo)) : "?")
            : Utf8AAnsi(utf8);
    if (byte == "?" && codigo != U'?') {
      char mensaje[96];
      std::snprintf(mensaje, sizeof mensaje, "el carácter U+%04lX no se puede escribir en ",
                    static_cast<unsigned long>(codigo));
      throw std::runtime_error(mensaje + nombre);
    }
    salida += byte;
  }
  return salida;
}

bool Codificable(char32_t codigo, Codificacion c) {
  switch (c) {
    case Codificacion::kLatin1:
      return codigo <= 0xFF;
    case Codificacion::kWindows1252: {
      if (codigo < 0x80 || (codigo >= 0xA0 && codigo <= 0xFF)) return true;
      std::string utf8;
      AnadirUtf8(utf8, codigo);
      return Utf8AAnsi(utf8) != "?";
    }
    default:
      return true;
  }
}

// --- The document and its nodes ----------------------------------------------------

// One component document. Node handles share it, so the document lives as
// long as any handle; every handle of one load names the same one, which is
// how AnadirHijo tells documents apart.
struct EstadoDocumento {
  Com<IXMLDOMDocument2> dom;
  Declaracion declaracion;
  Codificacion codificacion = Codificacion::kUtf8;
  std::wstring tipoDocumento;  // the document type declaration as written
};

using PEstado = std::shared_ptr<EstadoDocumento>;

std::string NombreDeNodo(IXMLDOMNode* nodo) {
  Bstr nombre;
  if (FAILED(nodo->get_nodeName(nombre.Recibir()))) return "";
  return Utf8(nombre.Texto());
}

std::wstring ValorDeNodo(IXMLDOMNode* nodo) {
  Variante v;
  Comprobar(nodo->get_nodeValue(v.get()), "No se puede leer un nodo del documento XML");
  return v.Texto();
}

DOMNodeType TipoDeNodo(IXMLDOMNode* nodo) {
  DOMNodeType tipo = NODE_INVALID;
  Comprobar(nodo->get_nodeType(&tipo), "No se puede leer un nodo del documento XML");
  return tipo;
}

// The node's children, in order.
// The node's children, in order. Through the child list: Wine's component
// does not give the next sibling of every kind of node.
std::vector<Com<IXMLDOMNode>> Hijos(IXMLDOMNode* nodo) {
  const std::string que = "No se puede recorrer el documento XML";
  Com<IXMLDOMNodeList> lista;
  Comprobar(nodo->get_childNodes(lista.Recibir()), que);
  long largo = 0;
  if (lista) Comprobar(lista->get_length(&largo), que);
  std::vector<Com<IXMLDOMNode>> hijos;
  for (long i = 0; i < largo; ++i) {
    Com<IXMLDOMNode> hijo;
    Comprobar(lista->get_item(i, hijo.Recibir()), que);
    if (hijo) hijos.push_back(hijo);
  }
  return hijos;
}

void ReunirTexto(IXMLDOMNode* nodo, std::wstring& texto) {
  for (const auto& hijo : Hijos(nodo)) {
    switch (TipoDeNodo(hijo.get())) {
      case NODE_TEXT:
      case NODE_CDATA_SECTION:
        texto += ValorDeNodo(hijo.get());
        break;
      case NODE_ELEMENT:
      case NODE_ENTITY_REFERENCE:
        ReunirTexto(hijo.get(), texto);
        break;
      default:
        break;
    }
  }
}

// True when `posible` is `nodo` or one of its ancestors. COM identity cannot
// tell (Wine's component hands out a new object for every access), so the
// candidate carries a one-off attribute while the ancestors are searched.
bool EsElONoAntepasado(IXMLDOMNode* nodo, IXMLDOMElement* posible) {
  const std::wstring nombre = L"tzo.marca." + std::to_wstring(std::random_device()());
  Bstr marca(nombre);
  Variante valor;
  valor.get()->vt = VT_BSTR;
  valor.get()->bstrVal = SysAllocString(L"1");
  Comprobar(posible->setAttribute(marca.get(), *valor.get()),
            "No se puede recorrer el documento XML");
  bool encontrado = false;
  Com<IXMLDOMNode> n(nodo);
  nodo->AddRef();
  while (n && !encontrado) {
    if (const auto elemento = n.Como<IXMLDOMElement>(IID_IXMLDOMElement)) {
      Variante leido;
      encontrado =
          elemento->getAttribute(marca.get(), leido.get()) == S_OK && leido.get()->vt == VT_BSTR;
    }
    Com<IXMLDOMNode> padre;
    if (FAILED(n->get_parentNode(padre.Recibir()))) break;
    n = padre;
  }
  posible->removeAttribute(marca.get());
  return encontrado;
}

ListaNodosXML Seleccionar(const PEstado& estado, IXMLDOMNode* contexto, std::string_view ruta);

class NodoWindows final : public NodoXML {
 public:
  NodoWindows(PEstado estado, Com<IXMLDOMNode> nodo)
      : estado_(std::move(estado)), nodo_(std::move(nodo)) {}

  std::string Texto() const override {
    std::wstring texto;
    ReunirTexto(nodo_.get(), texto);
    return Utf8(texto);
  }

  void PonerTexto(std::string_view utf8) override {
    const std::wstring texto = TextoDeLlamada(utf8, "El texto");
    // Removed children stay alive while a handle holds them.
    for (const auto& hijo : Hijos(nodo_.get())) {
      Com<IXMLDOMNode> quitado;
      Comprobar(nodo_->removeChild(hijo.get(), quitado.Recibir()),
                "No se pudo poner el texto del elemento " + Nombre());
    }
    if (texto.empty()) return;
    Com<IXMLDOMText> nuevo;
    Bstr vacio(std::wstring{});
    Comprobar(estado_->dom->createTextNode(vacio.get(), nuevo.Recibir()),
              "No se pudo poner el texto del elemento " + Nombre());
    Variante valor;
    valor.get()->vt = VT_BSTR;
    valor.get()->bstrVal = SysAllocStringLen(texto.data(), static_cast<UINT>(texto.size()));
    Comprobar(nuevo->put_nodeValue(*valor.get()),
              "No se pudo poner el texto del elemento " + Nombre());
    Com<IXMLDOMNode> anadido;
    Comprobar(nodo_->appendChild(nuevo.get(), anadido.Recibir()),
              "No se pudo poner el texto del elemento " + Nombre());
  }

  ListaNodosXML SeleccionarNodos(std::string_view ruta) const override {
    return Seleccionar(estado_, nodo_.get(), ruta);
  }

  PNodoXML SeleccionarNodo(std::string_view ruta) const override {
    return SeleccionarNodos(ruta).Elemento(0);
  }

  void PonerAtributo(std::string_view nombre, std::string_view valor) override {
    const std::wstring n = NombreDeLlamada(nombre, "atributo");
    const std::string nombreUtf8(nombre);
    const std::wstring v = TextoDeLlamada(valor, "El valor del atributo " + nombreUtf8);
    const auto elemento = nodo_.Como<IXMLDOMElement>(IID_IXMLDOMElement);
    if (!elemento) {
      throw std::runtime_error("No se pudo poner el atributo " + nombreUtf8 + " del elemento " +
                               Nombre());
    }
    Variante variante;
    variante.get()->vt = VT_BSTR;
    variante.get()->bstrVal = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
    Bstr bn(n);
    Comprobar(elemento->setAttribute(bn.get(), *variante.get()),
              "No se pudo poner el atributo " + nombreUtf8 + " del elemento " + Nombre());
  }

  void AnadirHijo(const PNodoXML& hijo) override {
    auto* otro = dynamic_cast<NodoWindows*>(hijo.get());
    if (!otro || otro->estado_ != estado_) {
      throw std::runtime_error("Solo se puede añadir a " + Nombre() +
                               " un elemento creado en el mismo documento");
    }
    const auto elemento = otro->nodo_.Como<IXMLDOMElement>(IID_IXMLDOMElement);
    if (elemento && EsElONoAntepasado(nodo_.get(), elemento.get())) {
      throw std::runtime_error("No se puede añadir el elemento " + otro->Nombre() +
                               " dentro de sí mismo");
    }
    Com<IXMLDOMNode> anadido;
    Comprobar(nodo_->appendChild(otro->nodo_.get(), anadido.Recibir()),
              "No se pudo añadir el elemento " + otro->Nombre() + " a " + Nombre());
  }

 private:
  std::string Nombre() const { return NombreDeNodo(nodo_.get()); }

  PEstado estado_;
  Com<IXMLDOMNode> nodo_;
};

ListaNodosXML Seleccionar(const PEstado& estado, IXMLDOMNode* contexto, std::string_view ruta) {
  const std::string expresion(ruta);
  auto invalida = [&](const std::string& motivo) {
    std::string mostrada;
    for (char c : expresion) mostrada += c == '\0' ? std::string("\\0") : std::string(1, c);
    return std::runtime_error("La ruta '" + mostrada + "' no es válida: " + motivo);
  };
  std::wstring ancho;
  std::size_t malo = 0;
  if (expresion.find('\0') != std::string::npos || !DecodificarUtf8(expresion, &ancho, &malo)) {
    throw invalida("contiene caracteres no admitidos");
  }
  Bstr b(ancho);
  Com<IXMLDOMNodeList> lista;
  const HRESULT hr = contexto->selectNodes(b.get(), lista.Recibir());
  if (FAILED(hr) || !lista) throw invalida(FAILED(hr) ? TextoDeError(hr) : "no selecciona nodos");
  long largo = 0;
  Comprobar(lista->get_length(&largo), "No se puede leer el resultado de la ruta " + expresion);
  std::vector<PNodoXML> nodos;
  for (long i = 0; i < largo; ++i) {
    Com<IXMLDOMNode> nodo;
    Comprobar(lista->get_item(i, nodo.Recibir()),
              "No se puede leer el resultado de la ruta " + expresion);
    if (nodo && TipoDeNodo(nodo.get()) == NODE_ELEMENT) {
      nodos.push_back(std::make_shared<NodoWindows>(estado, nodo));
    }
  }
  return ListaNodosXML(std::move(nodos));
}

// --- Saving -----------------------------------------------------------------------

class Serializador {
 public:
  Serializador(Codificacion c, std::wstring tipoDocumento)
      : codificacion_(c), tipoDocumento_(std::move(tipoDocumento)) {}

  void Nodo(IXMLDOMNode* nodo) {
    switch (TipoDeNodo(nodo)) {
      case NODE_ELEMENT: {
        Bstr nombre;
        Comprobar(nodo->get_nodeName(nombre.Recibir()), kLeer);
        salida_ += L'<';
        salida_ += nombre.Texto();
        Com<IXMLDOMNamedNodeMap> atributos;
        Comprobar(nodo->get_attributes(atributos.Recibir()), kLeer);
        long n = 0;
        if (atributos) Comprobar(atributos->get_length(&n), kLeer);
        for (long i = 0; i < n; ++i) {
          Com<IXMLDOMNode> atributo;
          Comprobar(atributos->get_item(i, atributo.Recibir()), kLeer);
          Bstr nombreAtributo;
          Comprobar(atributo->get_nodeName(nombreAtributo.Recibir()), kLeer);
          salida_ += L' ';
          salida_ += nombreAtributo.Texto();
          salida_ += L"=\"";
          Escapar(ValorDeNodo(atributo.get()), true);
          salida_ += L'"';
        }
        const auto hijos = Hijos(nodo);
        if (hijos.empty()) {
          salida_ += L"/>";
          break;
        }
        salida_ += L'>';
        for (const auto& hijo : hijos) Nodo(hijo.get());
        salida_ += L"</";
        salida_ += nombre.Texto();
        salida_ += L'>';
        break;
      }
      case NODE_TEXT:
        Escapar(ValorDeNodo(nodo), false);
        break;
      case NODE_CDATA_SECTION:
        salida_ += L"<![CDATA[" + ValorDeNodo(nodo) + L"]]>";
        break;
      case NODE_COMMENT:
        salida_ += L"<!--" + ValorDeNodo(nodo) + L"-->";
        break;
      case NODE_PROCESSING_INSTRUCTION: {
        Bstr destino;
        Comprobar(nodo->get_nodeName(destino.Recibir()), kLeer);
        const std::wstring datos = ValorDeNodo(nodo);
        salida_ += L"<?" + destino.Texto() + (datos.empty() ? L"" : L" " + datos) + L"?>";
        break;
      }
      case NODE_ENTITY_REFERENCE: {
        Bstr nombre;
        Comprobar(nodo->get_nodeName(nombre.Recibir()), kLeer);
        salida_ += L'&' + nombre.Texto() + L';';
        break;
      }
      case NODE_DOCUMENT_TYPE: {
        Bstr xml;
        salida_ += !tipoDocumento_.empty()                   ? tipoDocumento_
                   : SUCCEEDED(nodo->get_xml(xml.Recibir())) ? xml.Texto()
                                                             : std::wstring();
        break;
      }
      default:
        break;
    }
  }

  std::wstring& Texto() { return salida_; }

 private:
  static constexpr const char* kLeer = "No se puede leer el documento XML para guardarlo";

  void Escapar(std::wstring_view texto, bool atributo) {
    for (std::size_t i = 0; i < texto.size();) {
      const std::size_t antes = i;
      const char32_t c = SiguienteCodigo(texto, &i);
      switch (c) {
        case '&':
          salida_ += L"&amp;";
          continue;
        case '<':
          salida_ += L"&lt;";
          continue;
        case '>':
          salida_ += L"&gt;";
          continue;
        case '\r':
          salida_ += L"&#13;";
          continue;
        default:
          break;
      }
      if (atributo && (c == '"' || c == '\n' || c == '\t')) {
        salida_ += c == '"' ? L"&quot;" : c == '\n' ? L"&#10;" : L"&#9;";
      } else if (!Codificable(c, codificacion_)) {
        salida_ += L"&#" + std::to_wstring(static_cast<unsigned long>(c)) + L';';
      } else {
        salida_.append(texto.substr(antes, i - antes));
      }
    }
  }

  Codificacion codificacion_;
  std::wstring tipoDocumento_;
  std::wstring salida_;
};

std::wstring Aleatorio() {
  std::random_device azar;
  return std::to_wstring(azar());
}

class DocumentoWindows final : public DocumentoXML {
 public:
  DocumentoWindows() : estado_(std::make_shared<EstadoDocumento>()) {
    estado_->dom = NuevoDocumentoDOM();
    // A new document is UTF-8 and says so in its declaration when saved.
    estado_->declaracion.presente = true;
    estado_->declaracion.codificacion = L"UTF-8";
  }

  void Cargar(const std::filesystem::path& fichero) override {
    const std::string bytes = LeerBytes(fichero);
    Decodificado d = Decodificar(fichero, bytes);
    const std::wstring tipoDocumento = RechazarEntidades(fichero, d.texto);
    auto nuevo = std::make_shared<EstadoDocumento>();
    nuevo->tipoDocumento = tipoDocumento;
    nuevo->dom = NuevoDocumentoDOM();
    nuevo->declaracion = d.declaracion;
    nuevo->codificacion = d.codificacion;
    Bstr texto(d.texto);
    VARIANT_BOOL bien = VARIANT_FALSE;
    const HRESULT hr = nuevo->dom->loadXML(texto.get(), &bien);
    if (FAILED(hr) || bien != VARIANT_TRUE) {
      std::string motivo = "no se pudo analizar";
      long linea = 1;
      Com<IXMLDOMParseError> error;
      if (SUCCEEDED(nuevo->dom->get_parseError(error.Recibir())) && error) {
        Bstr razon;
        if (SUCCEEDED(error->get_reason(razon.Recibir()))) {
          std::wstring r = razon.Texto();
          while (!r.empty() && (EsEspacio(r.back()))) r.pop_back();
          if (!r.empty()) motivo = Utf8(r);
        }
        error->get_line(&linea);
      }
      throw MalFormado(fichero, motivo, linea);
    }
    Com<IXMLDOMElement> raiz;
    if (FAILED(nuevo->dom->get_documentElement(raiz.Recibir())) || !raiz) {
      throw MalFormado(fichero, "no tiene elemento raíz", 1);
    }
    // Handles of the previous content keep it alive on their own.
    estado_ = std::move(nuevo);
  }

  PNodoXML ElementoRaiz() const override {
    Com<IXMLDOMElement> raiz;
    if (FAILED(estado_->dom->get_documentElement(raiz.Recibir())) || !raiz) return nullptr;
    return std::make_shared<NodoWindows>(estado_, raiz.Como<IXMLDOMNode>(IID_IXMLDOMNode));
  }

  ListaNodosXML SeleccionarNodos(std::string_view ruta) const override {
    const auto nodo = estado_->dom.Como<IXMLDOMNode>(IID_IXMLDOMNode);
    return Seleccionar(estado_, nodo.get(), ruta);
  }

  PNodoXML SeleccionarNodo(std::string_view ruta) const override {
    return SeleccionarNodos(ruta).Elemento(0);
  }

  PNodoXML CrearElemento(std::string_view nombre) override {
    const std::wstring n = NombreDeLlamada(nombre, "elemento");
    Bstr b(n);
    Com<IXMLDOMElement> elemento;
    Comprobar(estado_->dom->createElement(b.get(), elemento.Recibir()),
              "No se pudo crear el elemento " + std::string(nombre));
    return std::make_shared<NodoWindows>(estado_, elemento.Como<IXMLDOMNode>(IID_IXMLDOMNode));
  }

  void Guardar(const std::filesystem::path& fichero) const override {
    auto fallo = [&](const std::string& motivo) {
      return std::runtime_error("No se puede guardar el fichero " + NombreFichero(fichero) + ": " +
                                motivo);
    };
    std::string bytes;
    try {
      bytes = Serializar();
    } catch (const std::runtime_error& e) {
      throw fallo(e.what());
    }
    const std::wstring destino = fichero.wstring();
    const std::filesystem::path carpeta =
        fichero.has_parent_path() ? fichero.parent_path() : std::filesystem::path(L".");
    std::wstring temporal;
    HANDLE h = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (int intento = 0; intento < 100 && h == INVALID_HANDLE_VALUE; ++intento) {
      temporal = (carpeta / (L"." + fichero.filename().wstring() + L"." + Aleatorio() + L".tmp"))
                     .wstring();
      h = CreateFileW(temporal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
      error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) throw fallo(TextoDelSistema(error));
    std::size_t hecho = 0;
    while (error == 0 && hecho < bytes.size()) {
      DWORD escritos = 0;
      const DWORD pedir = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - hecho, 1 << 20));
      if (!WriteFile(h, bytes.data() + hecho, pedir, &escritos, nullptr)) {
        error = GetLastError();
      }
      hecho += escritos;
    }
    if (error == 0 && !FlushFileBuffers(h)) error = GetLastError();
    if (!CloseHandle(h) && error == 0) error = GetLastError();
    if (error == 0 && !MoveFileExW(temporal.c_str(), destino.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = GetLastError();
    }
    if (error != 0) {
      DeleteFileW(temporal.c_str());
      throw fallo(TextoDelSistema(error));
    }
  }

 private:
  static std::string LeerBytes(const std::filesystem::path& fichero) {
    auto fallo = [&](DWORD codigo) {
      return std::runtime_error("No se puede leer el fichero " + NombreFichero(fichero) + ": " +
                                TextoDelSistema(codigo));
    };
    HANDLE h = CreateFileW(fichero.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw fallo(GetLastError());
    std::string bytes;
    char bloque[65536];
    while (true) {
      DWORD leidos = 0;
      if (!ReadFile(h, bloque, sizeof bloque, &leidos, nullptr)) {
        const DWORD codigo = GetLastError();
        CloseHandle(h);
        throw fallo(codigo);
      }
      if (leidos == 0) break;
      bytes.append(bloque, leidos);
      if (bytes.size() > 0x7FFFFFFF) {
        CloseHandle(h);
        throw fallo(ERROR_FILE_TOO_LARGE);
      }
    }
    CloseHandle(h);
    return bytes;
  }

  std::string Serializar() const {
    const Declaracion& d = estado_->declaracion;
    Serializador s(estado_->codificacion, estado_->tipoDocumento);
    std::wstring& texto = s.Texto();
    texto = L"<?xml version=\"" + d.version + L"\"";
    texto += L" encoding=\"" + (d.codificacion.empty() ? L"UTF-8" : d.codificacion) + L"\"";
    if (!d.independiente.empty()) texto += L" standalone=\"" + d.independiente + L"\"";
    texto += L"?>\n";
    const auto raiz = estado_->dom.Como<IXMLDOMNode>(IID_IXMLDOMNode);
    for (const auto& hijo : Hijos(raiz.get())) {
      const DOMNodeType tipo = TipoDeNodo(hijo.get());
      // The declaration is written above; layout text between top-level nodes
      // is not part of the document.
      if (tipo == NODE_PROCESSING_INSTRUCTION && NombreDeNodo(hijo.get()) == "xml") continue;
      if (tipo == NODE_TEXT) continue;
      s.Nodo(hijo.get());
      texto += L'\n';
    }
    const std::string nombre = d.codificacion.empty() ? "UTF-8" : Utf8(d.codificacion);
    return Codificar(texto, estado_->codificacion, nombre);
  }

  PEstado estado_;
};

}  // namespace

std::unique_ptr<DocumentoXML> CrearDocumentoXML() {
  return std::make_unique<DocumentoWindows>();
}

}  // namespace transzorvos
