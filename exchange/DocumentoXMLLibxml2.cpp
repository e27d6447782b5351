// The XML document service on libxml2.
//
// Exchange documents come from outside, so loading is locked down: no
// network, no external entities or DTDs, and no entity declarations at all
// (the exchange format has no use for them, and refusing them is the one
// sure defence against expansion bombs, which would otherwise go off later
// when a text is read). libxml2 never prints: its errors are captured and
// become the Spanish messages of our exceptions.
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include "exchange/DocumentoXML.h"

namespace transzorvos {

namespace {

const xmlChar* X(const std::string& s) {
  return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string TextoDeLibxml(xmlChar* texto) {
  if (!texto) return {};
  std::string s(reinterpret_cast<const char*>(texto));
  xmlFree(texto);
  return s;
}

std::string TextoErrno(int codigo) {
  return std::strerror(codigo);
}

void IniciarLibxml() {
  static std::once_flag hecho;
  std::call_once(hecho, [] { xmlInitParser(); });
}

// While alive, every libxml2 error raised on this thread is kept here
// instead of being printed. The first fatal error is the one that explains a
// failure best; later ones are often consequences of it.
class CapturaErrores {
 public:
  CapturaErrores() {
    IniciarLibxml();
    anterior_estructurado_ = xmlStructuredError;
    contexto_estructurado_ = xmlStructuredErrorContext;
    anterior_generico_ = xmlGenericError;
    contexto_generico_ = xmlGenericErrorContext;
    xmlSetStructuredErrorFunc(this, &CapturaErrores::Recibir);
    xmlSetGenericErrorFunc(this, &CapturaErrores::Ignorar);
  }
  ~CapturaErrores() {
    xmlSetStructuredErrorFunc(contexto_estructurado_, anterior_estructurado_);
    xmlSetGenericErrorFunc(contexto_generico_, anterior_generico_);
  }
  CapturaErrores(const CapturaErrores&) = delete;
  CapturaErrores& operator=(const CapturaErrores&) = delete;

  bool HayError() const { return !motivo_.empty(); }
  const std::string& Motivo() const { return motivo_; }
  int Linea() const { return linea_; }

 private:
  static void Recibir(void* datos, xmlErrorPtr error) {
    auto* yo = static_cast<CapturaErrores*>(datos);
    if (!error || error->level < XML_ERR_ERROR) return;
    const bool mejor = yo->motivo_.empty() || (error->level == XML_ERR_FATAL && !yo->fatal_);
    if (!mejor) return;
    std::string motivo = error->message ? error->message : "error desconocido";
    while (!motivo.empty() && (motivo.back() == '\n' || motivo.back() == ' ')) motivo.pop_back();
    yo->motivo_ = motivo.empty() ? "error desconocido" : motivo;
    yo->linea_ = error->line;
    yo->fatal_ = error->level == XML_ERR_FATAL;
  }
  static void Ignorar(void*, const char*, ...) {}

  xmlStructuredErrorFunc anterior_estructurado_;
  void* contexto_estructurado_;
  xmlGenericErrorFunc anterior_generico_;
  void* contexto_generico_;
  std::string motivo_;
  int linea_ = 0;
  bool fatal_ = false;
};

// True when `texto` is UTF-8 made only of characters an XML 1.0 document can
// carry; otherwise stores the offending code (or -1 for bad UTF-8).
bool EsTextoXML(std::string_view texto, long* malo) {
  std::size_t i = 0;
  while (i < texto.size()) {
    int largo = static_cast<int>(texto.size() - i);
    const int codigo =
        xmlGetUTF8Char(reinterpret_cast<const unsigned char*>(texto.data() + i), &largo);
    if (codigo < 0 || largo <= 0) {
      *malo = -1;
      return false;
    }
    const bool valido =
        codigo == 0x9 || codigo == 0xA || codigo == 0xD || (codigo >= 0x20 && codigo <= 0xD7FF) ||
        (codigo >= 0xE000 && codigo <= 0xFFFD) || (codigo >= 0x10000 && codigo <= 0x10FFFF);
    if (!valido) {
      *malo = codigo;
      return false;
    }
    i += static_cast<std::size_t>(largo);
  }
  return true;
}

std::string ComprobarTexto(std::string_view texto, std::string_view que) {
  long malo = 0;
  if (!EsTextoXML(texto, &malo)) {
    char codigo[32];
    if (malo < 0) {
      std::snprintf(codigo, sizeof codigo, "UTF-8 mal formado");
    } else {
      std::snprintf(codigo, sizeof codigo, "el carácter U+%04lX", static_cast<unsigned long>(malo));
    }
    throw std::runtime_error(std::string(que) + " no cabe en un documento XML: contiene " + codigo);
  }
  return std::string(texto);
}

std::string ComprobarNombre(std::string_view nombre, std::string_view que) {
  const std::string s(nombre);
  if (s.empty() || s.find('\0') != std::string::npos || xmlValidateName(X(s), 0) != 0) {
    throw std::runtime_error("El nombre de " + std::string(que) + " '" + s +
                             "' no es válido en XML");
  }
  return s;
}

// A libxml2 document and every node that may lie outside its tree: elements
// created and not yet appended, and children taken out when a text replaced
// them. Node handles share it, so it goes only with the last handle.
struct EstadoDocumento {
  explicit EstadoDocumento(xmlDocPtr d) : doc(d) {}
  ~EstadoDocumento() {
    // Collect first, free afterwards: a node may hang from another listed one.
    std::unordered_set<xmlNodePtr> raices;
    for (xmlNodePtr n : sueltos) {
      if (n->parent == nullptr) raices.insert(n);
    }
    for (xmlNodePtr n : raices) xmlFreeNode(n);
    xmlFreeDoc(doc);
  }
  EstadoDocumento(const EstadoDocumento&) = delete;
  EstadoDocumento& operator=(const EstadoDocumento&) = delete;

  xmlDocPtr doc;
  std::vector<xmlNodePtr> sueltos;
};

using PEstado = std::shared_ptr<EstadoDocumento>;

ListaNodosXML Seleccionar(const PEstado& estado, xmlNodePtr contexto, std::string_view ruta);

class NodoLibxml2 final : public NodoXML {
 public:
  NodoLibxml2(PEstado estado, xmlNodePtr nodo) : estado_(std::move(estado)), nodo_(nodo) {}

  std::string Texto() const override { return TextoDeLibxml(xmlNodeGetContent(nodo_)); }

  void PonerTexto(std::string_view utf8) override {
    const std::string texto = ComprobarTexto(utf8, "El texto");
    // Children leave the tree without being freed: handles may point at them.
    while (xmlNodePtr hijo = nodo_->children) {
      xmlUnlinkNode(hijo);
      if (hijo->type == XML_ELEMENT_NODE) {
        estado_->sueltos.push_back(hijo);
      } else {
        xmlFreeNode(hijo);
      }
    }
    // A text node keeps its content as given; nothing in it is parsed.
    if (!texto.empty()) {
      xmlNodePtr nuevo = xmlNewDocTextLen(estado_->doc, X(texto), static_cast<int>(texto.size()));
      if (!nuevo || !xmlAddChild(nodo_, nuevo)) {
        if (nuevo) xmlFreeNode(nuevo);
        throw std::runtime_error("No se pudo poner el texto del elemento " + Nombre());
      }
    }
  }

  ListaNodosXML SeleccionarNodos(std::string_view ruta) const override {
    return Seleccionar(estado_, nodo_, ruta);
  }

  PNodoXML SeleccionarNodo(std::string_view ruta) const override {
    return SeleccionarNodos(ruta).Elemento(0);
  }

  void PonerAtributo(std::string_view nombre, std::string_view valor) override {
    const std::string n = ComprobarNombre(nombre, "atributo");
    const std::string v = ComprobarTexto(valor, "El valor del atributo " + n);
    if (!xmlSetProp(nodo_, X(n), X(v))) {
      throw std::runtime_error("No se pudo poner el atributo " + n + " del elemento " + Nombre());
    }
  }

  void AnadirHijo(const PNodoXML& hijo) override {
    auto* otro = dynamic_cast<NodoLibxml2*>(hijo.get());
    if (!otro || otro->estado_ != estado_) {
      throw std::runtime_error("Solo se puede añadir a " + Nombre() +
                               " un elemento creado en el mismo documento");
    }
    for (xmlNodePtr n = nodo_; n; n = n->parent) {
      if (n == otro->nodo_) {
        throw std::runtime_error("No se puede añadir el elemento " + otro->Nombre() +
                                 " dentro de sí mismo");
      }
    }
    xmlUnlinkNode(otro->nodo_);
    xmlAddChild(nodo_, otro->nodo_);
  }

 private:
  std::string Nombre() const {
    return nodo_->name ? reinterpret_cast<const char*>(nodo_->name) : "";
  }

  PEstado estado_;
  xmlNodePtr nodo_;
};

ListaNodosXML Seleccionar(const PEstado& estado, xmlNodePtr contexto, std::string_view ruta) {
  const std::string expresion(ruta);
  CapturaErrores errores;
  xmlXPathContextPtr ctx = xmlXPathNewContext(estado->doc);
  if (!ctx) throw std::runtime_error("No hay memoria para evaluar la ruta " + expresion);
  ctx->node = contexto;
  xmlXPathObjectPtr resultado = expresion.find('\0') == std::string::npos
                                    ? xmlXPathEvalExpression(X(expresion), ctx)
                                    : nullptr;
  xmlXPathFreeContext(ctx);
  if (!resultado || resultado->type != XPATH_NODESET) {
    xmlXPathFreeObject(resultado);
    std::string motivo = errores.HayError() ? errores.Motivo() : "no selecciona nodos";
    std::string visible;
    for (char c : expresion) visible += c == '\0' ? std::string("\\0") : std::string(1, c);
    throw std::runtime_error("La ruta '" + visible + "' no es válida: " + motivo);
  }
  std::vector<PNodoXML> nodos;
  if (xmlNodeSetPtr conjunto = resultado->nodesetval) {
    xmlXPathNodeSetSort(conjunto);
    for (int i = 0; i < conjunto->nodeNr; ++i) {
      xmlNodePtr n = conjunto->nodeTab[i];
      if (n && n->type == XML_ELEMENT_NODE)
        nodos.push_back(std::make_shared<NodoLibxml2>(estado, n));
    }
  }
  xmlXPathFreeObject(resultado);
  return ListaNodosXML(std::move(nodos));
}

// --- Loading --------------------------------------------------------------

std::string LeerBytes(const std::filesystem::path& fichero) {
  auto fallo = [&](int codigo) {
    return std::runtime_error("No se puede leer el fichero " + fichero.string() + ": " +
                              TextoErrno(codigo));
  };
  const int fd = ::open(fichero.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw fallo(errno);
  std::string bytes;
  char bloque[65536];
  while (true) {
    const ssize_t n = ::read(fd, bloque, sizeof bloque);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int codigo = errno;
      ::close(fd);
      throw fallo(codigo);
    }
    if (n == 0) break;
    bytes.append(bloque, static_cast<std::size_t>(n));
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
      ::close(fd);
      throw fallo(EFBIG);
    }
  }
  ::close(fd);
  return bytes;
}

// What the loader's hooks report back.
struct Carga {
  std::string entidad;  // the first entity declared, when any
  int linea = 0;
};

void AnotarEntidad(void* ctx, const xmlChar* nombre) {
  auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
  auto* carga = static_cast<Carga*>(parser->_private);
  if (carga->entidad.empty()) {
    carga->entidad = nombre && *nombre ? reinterpret_cast<const char*>(nombre) : "?";
    carga->linea = parser->input ? parser->input->line : 0;
  }
  xmlStopParser(parser);
}

void AlDeclararEntidad(void* ctx, const xmlChar* nombre, int, const xmlChar*, const xmlChar*,
                       xmlChar*) {
  AnotarEntidad(ctx, nombre);
}

void AlDeclararEntidadNoAnalizada(void* ctx, const xmlChar* nombre, const xmlChar*, const xmlChar*,
                                  const xmlChar*) {
  AnotarEntidad(ctx, nombre);
}

xmlParserInputPtr SinEntidadesExternas(void*, const xmlChar*, const xmlChar*) {
  return nullptr;
}

xmlDocPtr Analizar(const std::filesystem::path& fichero, const std::string& bytes) {
  CapturaErrores errores;
  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (!parser) throw std::runtime_error("No hay memoria para leer el fichero " + fichero.string());
  Carga carga;
  parser->_private = &carga;
  parser->sax->entityDecl = AlDeclararEntidad;
  parser->sax->unparsedEntityDecl = AlDeclararEntidadNoAnalizada;
  parser->sax->resolveEntity = SinEntidadesExternas;
  // No XML_PARSE_NOENT, DTDLOAD or HUGE: entity references stay references,
  // no external subset is read and libxml2's size limits apply.
  xmlDocPtr doc = xmlCtxtReadMemory(parser, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                    nullptr, XML_PARSE_NONET);
  xmlFreeParserCtxt(parser);
  if (!carga.entidad.empty()) {
    xmlFreeDoc(doc);
    throw std::runtime_error("El fichero " + fichero.string() +
                             " no se admite como documento XML: declara la entidad '" +
                             carga.entidad + "' (línea " + std::to_string(carga.linea) + ")");
  }
  if (!doc || !xmlDocGetRootElement(doc)) {
    xmlFreeDoc(doc);
    std::string motivo = errores.HayError() ? errores.Motivo() : "no tiene elemento raíz";
    throw std::runtime_error("El fichero " + fichero.string() +
                             " no es un documento XML bien formado: " + motivo + " (línea " +
                             std::to_string(std::max(errores.Linea(), 1)) + ")");
  }
  return doc;
}

// --- Saving ---------------------------------------------------------------

class FicheroTemporal {
 public:
  explicit FicheroTemporal(const std::filesystem::path& destino) {
    const std::filesystem::path carpeta =
        destino.has_parent_path() ? destino.parent_path() : std::filesystem::path(".");
    std::random_device azar;
    for (int intento = 0; intento < 100; ++intento) {
      // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
      // "literal" + std::string.
      std::string nombre(1, '.');
      nombre += destino.filename().string();
      nombre += '.';
      nombre += std::to_string(azar());
      nombre += ".tmp";
      ruta_ = carpeta / nombre;
      fd_ = ::open(ruta_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) error_ = errno;
  }
  ~FicheroTemporal() {
    if (fd_ >= 0) ::close(fd_);
    if (!ruta_.empty() && !hecho_ && error_ == 0) ::unlink(ruta_.c_str());
  }
  FicheroTemporal(const FicheroTemporal&) = delete;
  FicheroTemporal& operator=(const FicheroTemporal&) = delete;

  // 0, or the errno of the first step that failed.
  int Abrir() const { return error_; }

  int Escribir(const char* datos, std::size_t largo) {
    while (largo > 0) {
      const ssize_t n = ::write(fd_, datos, largo);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      datos += n;
      largo -= static_cast<std::size_t>(n);
    }
    return 0;
  }

  int Sustituir(const std::filesystem::path& destino) {
    // An existing file keeps its permissions.
    struct stat previo;
    if (::stat(destino.c_str(), &previo) == 0 && S_ISREG(previo.st_mode)) {
      ::fchmod(fd_, previo.st_mode & 07777);
    }
    if (::fsync(fd_) != 0) return errno;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return errno;
    if (::rename(ruta_.c_str(), destino.c_str()) != 0) return errno;
    hecho_ = true;
    // Make the rename itself durable; failing here loses nothing written.
    const std::filesystem::path carpeta = ruta_.parent_path();
    const int dir = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return 0;
  }

 private:
  std::filesystem::path ruta_;
  int fd_ = -1;
  int error_ = 0;
  bool hecho_ = false;
};

class DocumentoLibxml2 final : public DocumentoXML {
 public:
  DocumentoLibxml2() : estado_(Vacio()) {}

  void Cargar(const std::filesystem::path& fichero) override {
    const std::string bytes = LeerBytes(fichero);
    // Handles of the previous content keep it alive on their own.
    estado_ = std::make_shared<EstadoDocumento>(Analizar(fichero, bytes));
  }

  PNodoXML ElementoRaiz() const override {
    xmlNodePtr raiz = xmlDocGetRootElement(estado_->doc);
    return raiz ? std::make_shared<NodoLibxml2>(estado_, raiz) : nullptr;
  }

  ListaNodosXML SeleccionarNodos(std::string_view ruta) const override {
    return Seleccionar(estado_, reinterpret_cast<xmlNodePtr>(estado_->doc), ruta);
  }

  PNodoXML SeleccionarNodo(std::string_view ruta) const override {
    return SeleccionarNodos(ruta).Elemento(0);
  }

  PNodoXML CrearElemento(std::string_view nombre) override {
    const std::string n = ComprobarNombre(nombre, "elemento");
    xmlNodePtr nodo = xmlNewDocNode(estado_->doc, nullptr, X(n), nullptr);
    if (!nodo) throw std::runtime_error("No hay memoria para crear el elemento " + n);
    estado_->sueltos.push_back(nodo);
    return std::make_shared<NodoLibxml2>(estado_, nodo);
  }

  void Guardar(const std::filesystem::path& fichero) const override {
    auto fallo = [&](const std::string& motivo) {
      return std::runtime_error("No se puede guardar el fichero " + fichero.string() + ": " +
                                motivo);
    };
    xmlChar* texto = nullptr;
    int largo = 0;
    {
      CapturaErrores errores;
      const char* codificacion =
          estado_->doc->encoding ? reinterpret_cast<const char*>(estado_->doc->encoding) : "UTF-8";
      // format 0: the document's own layout, nothing added between elements.
      xmlDocDumpFormatMemoryEnc(estado_->doc, &texto, &largo, codificacion, 0);
      if (!texto || largo < 0 || errores.HayError()) {
        xmlFree(texto);
        throw fallo(errores.HayError() ? errores.Motivo() : "no se pudo escribir el documento");
      }
    }
    const std::string bytes(reinterpret_cast<const char*>(texto), static_cast<std::size_t>(largo));
    xmlFree(texto);

    FicheroTemporal temporal(fichero);
    int codigo = temporal.Abrir();
    if (codigo == 0) codigo = temporal.Escribir(bytes.data(), bytes.size());
    if (codigo == 0) codigo = temporal.Sustituir(fichero);
    if (codigo != 0) throw fallo(TextoErrno(codigo));
  }

 private:
  // A new document is UTF-8 and says so in its declaration when saved.
  static PEstado Vacio() {
    IniciarLibxml();
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!doc) throw std::runtime_error("No hay memoria para crear un documento XML");
    doc->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
    return std::make_shared<EstadoDocumento>(doc);
  }

  PEstado estado_;
};

}  // namespace

std::unique_ptr<DocumentoXML> CrearDocumentoXML() {
  return std::make_unique<DocumentoLibxml2>();
}

}  // namespace transzorvos
