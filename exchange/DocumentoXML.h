// The XML document service: the few operations through which every exchange
// document is read and written. One interface; one backend per platform
// (libxml2 on Linux, the Windows XML DOM on Windows), chosen at build time by
// CrearDocumentoXML().
//
// Texts cross this interface as UTF-8. Paths are XPath 1.0 (abbreviated
// syntax). Node handles keep their document alive, so a handle never dangles.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace transzorvos {

class NodoXML;
using PNodoXML = std::shared_ptr<NodoXML>;

// A selection result, in document order. An item past the end is no node.
class ListaNodosXML {
 public:
  ListaNodosXML() = default;
  explicit ListaNodosXML(std::vector<PNodoXML> nodos) : nodos_(std::move(nodos)) {}

  std::size_t Longitud() const { return nodos_.size(); }
  // nullptr when i >= Longitud(); never throws.
  PNodoXML Elemento(std::size_t i) const { return i < nodos_.size() ? nodos_[i] : nullptr; }

 private:
  std::vector<PNodoXML> nodos_;
};

// An element of a document (selection results are elements).
class NodoXML {
 public:
  virtual ~NodoXML() = default;

  // The node's whole text content (all descendant text), UTF-8.
  virtual std::string Texto() const = 0;
  // The text becomes the node's whole content, stored literally ('&', '<',
  // quotes and accents round-trip). Throws std::runtime_error, leaving the
  // node as it was, when the text is not UTF-8 or holds a character no XML
  // document can carry (most C0 controls, NUL).
  virtual void PonerTexto(std::string_view utf8) = 0;
  // Every match of a path relative to this node; empty when none. A path that
  // is not XPath, or selects no nodes (count(...)), throws std::runtime_error.
  virtual ListaNodosXML SeleccionarNodos(std::string_view ruta) const = 0;
  // The first match, or nullptr.
  virtual PNodoXML SeleccionarNodo(std::string_view ruta) const = 0;
  // Sets the attribute, or replaces its value in place when present. Same
  // text rules as PonerTexto; throws when the name is not an XML name.
  virtual void PonerAtributo(std::string_view nombre, std::string_view valor) = 0;
  // Adds a node made by CrearElemento of the same document as last child (a
  // node already in a tree moves). A node of another document, or this node
  // or one of its ancestors, throws std::runtime_error.
  virtual void AnadirHijo(const PNodoXML& hijo) = 0;
};

class DocumentoXML {
 public:
  virtual ~DocumentoXML() = default;

  // Parses the whole file. Never reads the network, external entities or
  // external DTDs; refuses entity-expansion bombs (and any document that
  // declares entities: exchange documents have no use for them). Throws
  // std::runtime_error naming the file, the parser's reason and line when the
  // file cannot be read or is not a well-formed document; the document keeps
  // its previous content then.
  virtual void Cargar(const std::filesystem::path& fichero) = 0;
  // The root element, or nullptr for an empty document.
  virtual PNodoXML ElementoRaiz() const = 0;
  // Every match of an absolute path; empty when none (or no document).
  virtual ListaNodosXML SeleccionarNodos(std::string_view ruta) const = 0;
  virtual PNodoXML SeleccionarNodo(std::string_view ruta) const = 0;
  // A new element of this document, not yet in the tree. Throws
  // std::runtime_error when the name is not an XML name.
  virtual PNodoXML CrearElemento(std::string_view nombre) = 0;
  // Writes the whole document in its declared encoding (UTF-8 when none),
  // atomically: a temporary file in the same folder renamed over the target.
  // On failure the target is untouched and std::runtime_error names it.
  virtual void Guardar(const std::filesystem::path& fichero) const = 0;
};

// A new, empty document of this platform's backend.
std::unique_ptr<DocumentoXML> CrearDocumentoXML();

}  // namespace transzorvos
