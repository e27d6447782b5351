#include "exchange/DocumentoXML.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <stdexcept>

#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"

namespace transzorvos {
namespace {

using namespace std::string_literals;
using prueba::CarpetaTemporal;
using prueba::EscribirFichero;
using prueba::LeerFichero;

// --- Encodings used to write test documents --------------------------------

std::u32string Codigos(std::string_view utf8) {
  std::u32string salida;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int largo = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = largo == 1 ? b : b & (0xFF >> (largo + 1));
    for (int k = 1; k < largo; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    salida += c;
    i += static_cast<std::size_t>(largo);
  }
  return salida;
}

std::string EnLatin1(std::string_view utf8) {
  std::string salida;
  for (char32_t c : Codigos(utf8)) {
    if (c > 0xFF) throw std::logic_error("no es Latin-1");
    salida += static_cast<char>(c);
  }
  return salida;
}

std::string EnWindows1252(std::string_view utf8) {
  std::string salida;
  for (char32_t c : Codigos(utf8)) {
    if (c == U'€') c = 0x80;
    if (c == U'“') c = 0x93;
    if (c == U'”') c = 0x94;
    if (c > 0xFF) throw std::logic_error("fuera de la prueba");
    salida += static_cast<char>(c);
  }
  return salida;
}

std::string EnUtf16(std::string_view utf8, bool grande) {
  std::string salida = grande ? "\xFE\xFF" : "\xFF\xFE";
  auto unidad = [&](char16_t u) {
    const char alto = static_cast<char>(u >> 8), bajo = static_cast<char>(u & 0xFF);
    salida += grande ? alto : bajo;
    salida += grande ? bajo : alto;
  };
  for (char32_t c : Codigos(utf8)) {
    if (c >= 0x10000) {
      unidad(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      unidad(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      unidad(static_cast<char16_t>(c));
    }
  }
  return salida;
}

// The text of the element at `ruta` (ElementTree's path syntax, from the root)
// as an independent parser reads it, in hexadecimal UTF-8.
[[maybe_unused]] std::string TextoSegunPython(const std::filesystem::path& fichero, const std::string& ruta,
                             const std::string& atributo = "") {
  const std::string orden = std::string(prueba::kPython) +
                            " -c 'import sys, xml.etree.ElementTree as E\n"
                            "e = E.parse(sys.argv[1]).getroot().find(sys.argv[2])\n"
                            "t = e.get(sys.argv[3]) if sys.argv[3] else \"\".join(e.itertext())\n"
                            "print(t.encode(\"utf-8\").hex())' '" +
                            fichero.string() + "' '" + ruta + "' '" + atributo + "' 2>&1";
  std::string salida;
  const int estado = prueba::Ejecutar(orden, &salida);
  if (estado != 0) return "fallo: " + salida;
  while (!salida.empty() && salida.back() == '\n') salida.pop_back();
  return salida;
}

std::string Hex(std::string_view bytes) {
  static const char* digitos = "0123456789abcdef";
  std::string salida;
  for (char c : bytes) {
    salida += digitos[static_cast<unsigned char>(c) >> 4];
    salida += digitos[static_cast<unsigned char>(c) & 0xF];
  }
  return salida;
}

std::string TextoEn(const DocumentoXML& doc, std::string_view ruta) {
  const PNodoXML nodo = doc.SeleccionarNodo(ruta);
  return nodo ? nodo->Texto() : "<sin nodo>";
}

// --- Encodings -------------------------------------------------------------

struct Codificacion {
  const char* nombre;
  std::string declaracion;                             // as written in the file
  std::function<std::string(std::string_view)> bytes;  // UTF-8 document -> file bytes
  std::string declaracionGuardada;                     // what saving writes first
  std::string texto;                                   // the value, UTF-8
  // The bytes saving writes, when not those of `bytes`.
  std::function<std::string(std::string_view)> bytesGuardados = nullptr;
  friend void PrintTo(const Codificacion& c, std::ostream* os) { *os << c.nombre; }
};

class CodificacionTest : public ::testing::TestWithParam<Codificacion> {
 protected:
  std::string Documento() const {
    return GetParam().declaracion + "<SERVICIO>\n <BLOQUE_DATOS>\n  <grupo_datos seq=\"AÑO\">" +
           "<dato nombre_dato=\"DESCRIPCIÓN\">" + GetParam().texto +
           "</dato></grupo_datos>\n  <Categoría>ü</Categoría>\n </BLOQUE_DATOS>\n</SERVICIO>\n";
  }
  void ComprobarNombresYTextos(const DocumentoXML& doc) {
    EXPECT_EQ(TextoEn(doc, "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"AÑO\"]/dato"),
              GetParam().texto);
    EXPECT_EQ(TextoEn(doc, "//dato[@nombre_dato=\"DESCRIPCIÓN\"]"), GetParam().texto);
    EXPECT_EQ(TextoEn(doc, "/SERVICIO/BLOQUE_DATOS/Categoría"), "ü");
  }
  CarpetaTemporal carpeta_;
};

TEST_P(CodificacionTest, NombresYTextosLleganIntactos) {
  EscribirFichero(carpeta_ / "doc.xml", GetParam().bytes(Documento()));
  auto doc = CrearDocumentoXML();
  doc->Cargar(carpeta_ / "doc.xml");
  ComprobarNombresYTextos(*doc);
}

TEST_P(CodificacionTest, GuardarConservaLaCodificacion) {
  EscribirFichero(carpeta_ / "doc.xml", GetParam().bytes(Documento()));
  auto doc = CrearDocumentoXML();
  doc->Cargar(carpeta_ / "doc.xml");
  doc->Guardar(carpeta_ / "guardado.xml");

  const std::string guardado = LeerFichero(carpeta_ / "guardado.xml");
  const auto& codificar = GetParam().bytesGuardados ? GetParam().bytesGuardados : GetParam().bytes;
  // Apart from the declaration, the same document in the same encoding.
  const std::string resto = Documento().substr(GetParam().declaracion.size());
  EXPECT_EQ(Hex(guardado), Hex(codificar(GetParam().declaracionGuardada + "\n" + resto)));

  auto otra = CrearDocumentoXML();
  otra->Cargar(carpeta_ / "guardado.xml");
  ComprobarNombresYTextos(*otra);
#ifndef _WIN32  // Debian's python3 cannot be started from the Windows build
  EXPECT_EQ(TextoSegunPython(carpeta_ / "guardado.xml", "BLOQUE_DATOS/grupo_datos/dato"),
            Hex(GetParam().texto));
#endif
}

const std::string kTextoLatin1 = "Educación Física, Ñandú ¿¡ÿ";

INSTANTIATE_TEST_SUITE_P(
    Tabla, CodificacionTest,
    ::testing::Values(
        Codificacion{"Utf8SinDeclaracion", "", [](std::string_view s) { return std::string(s); },
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", kTextoLatin1 + " € 中 😀"},
        Codificacion{"Utf8ConBom", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
                     [](std::string_view s) { return std::string(s); },
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", kTextoLatin1 + " € 中"},
        Codificacion{"Latin1Declarado", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n",
                     EnLatin1, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", kTextoLatin1},
        Codificacion{"Windows1252Declarado", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n",
                     EnWindows1252, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
                     kTextoLatin1 + " “€”"},
        Codificacion{"Utf16LEConBom", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n",
                     [](std::string_view s) { return EnUtf16(s, false); },
                     "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", kTextoLatin1 + " € 😀"},
        Codificacion{"Utf16BEConBom", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n",
                     [](std::string_view s) { return EnUtf16(s, true); },
                     "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", kTextoLatin1 + " € 中",
                     // Saved as UTF-16 with its byte-order mark, little-endian.
                     [](std::string_view s) { return EnUtf16(s, false); }}),
    prueba::PorNombre());

// --- Reading and writing the tree ------------------------------------------

constexpr const char* kBase =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- documento base -->\n"
    "<SERVICIO version=\"2\">\n"
    "  <CABECERA><dato nombre_dato=\"C_CENTRO\">41000001</dato></CABECERA>\n"
    "  <BLOQUE_DATOS>\n"
    "    <grupo_datos seq=\"PREVIO\" registros=\"0\"/>\n"
    "  </BLOQUE_DATOS>\n"
    "</SERVICIO>\n";

class ArbolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EscribirFichero(carpeta_ / "base.xml", kBase);
    doc_->Cargar(carpeta_ / "base.xml");
    bloque_ = doc_->SeleccionarNodo("/SERVICIO/BLOQUE_DATOS");
    ASSERT_NE(bloque_, nullptr);
  }
  PNodoXML Dato(std::string_view nombre, std::string_view texto) {
    PNodoXML dato = doc_->CrearElemento("dato");
    dato->PonerAtributo("nombre_dato", nombre);
    dato->PonerTexto(texto);
    return dato;
  }
  std::string GuardarYLeer() {
    doc_->Guardar(carpeta_ / "resultado.xml");
    return LeerFichero(carpeta_ / "resultado.xml");
  }

  CarpetaTemporal carpeta_;
  std::unique_ptr<DocumentoXML> doc_ = CrearDocumentoXML();
  PNodoXML bloque_;
};

TEST_F(ArbolTest, ElGrupoAnadidoVaAlFinalSinEspaciosYElRestoQuedaIgual) {
  PNodoXML grupo = doc_->CrearElemento("grupo_datos");
  grupo->PonerAtributo("seq", "HORARIOS_REGULARES");
  grupo->PonerAtributo("registros", "1");
  PNodoXML registro = doc_->CrearElemento("grupo_datos");
  registro->PonerAtributo("seq", "HORARIO_REGULAR_PROFESOR_1");
  registro->PonerAtributo("registros", "0");
  // Appended to its parent before the parent joins the tree, as the import does.
  grupo->AnadirHijo(registro);
  bloque_->AnadirHijo(grupo);
  registro->AnadirHijo(Dato("X_EMPLEADO", "7"));
  registro->AnadirHijo(Dato("F_TOMAPOS", "01/09/2023"));

  std::string esperado = kBase;
  const std::string nuevo =
      "<grupo_datos seq=\"HORARIOS_REGULARES\" registros=\"1\">"
      "<grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_1\" registros=\"0\">"
      "<dato nombre_dato=\"X_EMPLEADO\">7</dato>"
      "<dato nombre_dato=\"F_TOMAPOS\">01/09/2023</dato>"
      "</grupo_datos></grupo_datos>";
  esperado.insert(esperado.find("</BLOQUE_DATOS>"), nuevo);
  EXPECT_EQ(GuardarYLeer(), esperado);
}

TEST_F(ArbolTest, TextosYAtributosSeGuardanLiteralmente) {
  const std::string texto = "a & b < c > d \" ' ]]> &amp; &#65; áé€ 中 😀\ttab\nsalto\rretorno";
  const std::string valor = "x\"y'&<z>\ttab\nsalto &lt;";
  PNodoXML grupo = doc_->CrearElemento("grupo_datos");
  grupo->PonerAtributo("seq", valor);
  grupo->AnadirHijo(Dato("D_TEXTO", texto));
  bloque_->AnadirHijo(grupo);
  EXPECT_EQ(grupo->SeleccionarNodo("dato")->Texto(), texto);

  doc_->Guardar(carpeta_ / "resultado.xml");
  auto otra = CrearDocumentoXML();
  otra->Cargar(carpeta_ / "resultado.xml");
  EXPECT_EQ(TextoEn(*otra, "/SERVICIO/BLOQUE_DATOS/grupo_datos[2]/dato"), texto);
  EXPECT_EQ(otra->SeleccionarNodos("/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=concat('x\"y',\"'&<z>"
                                   "\t\",'tab\nsalto &lt;')]")
                .Longitud(),
            1u);
#ifndef _WIN32  // Debian's python3 cannot be started from the Windows build
  const auto fichero = carpeta_ / "resultado.xml";
  EXPECT_EQ(TextoSegunPython(fichero, "BLOQUE_DATOS/grupo_datos[2]/dato"), Hex(texto));
  EXPECT_EQ(TextoSegunPython(fichero, "BLOQUE_DATOS/grupo_datos[2]", "seq"), Hex(valor));
#endif
}

TEST_F(ArbolTest, PonerTextoSustituyeTodoElContenido) {
  EscribirFichero(carpeta_ / "mixto.xml", "<r><dato>uno<b>dos<i>tres</i></b>cuatro</dato></r>");
  doc_->Cargar(carpeta_ / "mixto.xml");
  PNodoXML dato = doc_->SeleccionarNodo("/r/dato");
  PNodoXML b = dato->SeleccionarNodo("b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(dato->Texto(), "unodostrescuatro");
  dato->PonerTexto("nuevo");
  EXPECT_EQ(dato->Texto(), "nuevo");
  EXPECT_EQ(dato->SeleccionarNodo("b"), nullptr);
  // A handle to a removed child stays usable.
  EXPECT_EQ(b->Texto(), "dostres");
  dato->PonerTexto("");
  EXPECT_EQ(dato->Texto(), "");
  EXPECT_EQ(GuardarYLeer(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r><dato/></r>\n");
}

TEST_F(ArbolTest, PonerAtributoSustituyeEnSuSitio) {
  PNodoXML previo = bloque_->SeleccionarNodo("grupo_datos");
  previo->PonerAtributo("seq", "CAMBIADO");
  previo->PonerAtributo("nuevo", "1");
  const std::string guardado = GuardarYLeer();
  EXPECT_NE(guardado.find("<grupo_datos seq=\"CAMBIADO\" registros=\"0\" nuevo=\"1\"/>"),
            std::string::npos)
      << guardado;
}

TEST_F(ArbolTest, TextosQueXmlNoAdmiteSeRechazan) {
  PNodoXML dato = Dato("D", "antes");
  for (const std::string& malo : {"a\x01"
                                  "b"s,
                                  "a\0b"s, "a\xC3"s, "\xEF\xBF\xBE"s}) {
    EXPECT_THROW(dato->PonerTexto(malo), std::runtime_error) << Hex(malo);
    EXPECT_THROW(dato->PonerAtributo("seq", malo), std::runtime_error) << Hex(malo);
  }
  EXPECT_EQ(dato->Texto(), "antes");
  EXPECT_THROW(doc_->CrearElemento("1malo"), std::runtime_error);
  EXPECT_THROW(doc_->CrearElemento(""), std::runtime_error);
  EXPECT_THROW(dato->PonerAtributo("con espacio", "x"), std::runtime_error);
}

TEST_F(ArbolTest, AnadirHijoSoloDentroDelMismoDocumentoYSinCiclos) {
  auto otro = CrearDocumentoXML();
  EXPECT_THROW(bloque_->AnadirHijo(otro->CrearElemento("dato")), std::runtime_error);
  PNodoXML raiz = doc_->ElementoRaiz();
  EXPECT_THROW(bloque_->AnadirHijo(raiz), std::runtime_error);
  EXPECT_THROW(bloque_->AnadirHijo(bloque_), std::runtime_error);
  EXPECT_THROW(bloque_->AnadirHijo(nullptr), std::runtime_error);
  EXPECT_EQ(GuardarYLeer(), kBase);
}

TEST_F(ArbolTest, AnadirHijoMueveUnNodoYaColocado) {
  PNodoXML cabecera = doc_->SeleccionarNodo("/SERVICIO/CABECERA/dato");
  bloque_->AnadirHijo(cabecera);
  EXPECT_EQ(doc_->SeleccionarNodos("/SERVICIO/CABECERA/dato").Longitud(), 0u);
  EXPECT_EQ(TextoEn(*doc_, "/SERVICIO/BLOQUE_DATOS/dato"), "41000001");
}

TEST_F(ArbolTest, ElementosNoAnadidosYNodosQueSobrevivenAlDocumento) {
  // Never appended: freed with the document (the sanitizer build checks).
  PNodoXML suelto = doc_->CrearElemento("grupo_datos");
  suelto->AnadirHijo(Dato("A", "1"));
  PNodoXML otroSuelto = Dato("B", "2");
  suelto->AnadirHijo(otroSuelto);
  doc_->CrearElemento("dato");
  Dato("C", "3")->AnadirHijo(doc_->CrearElemento("x"));

  PNodoXML dato = doc_->SeleccionarNodo("/SERVICIO/CABECERA/dato");
  doc_.reset();
  EXPECT_EQ(dato->Texto(), "41000001");
  EXPECT_EQ(suelto->Texto(), "12");
  EXPECT_EQ(otroSuelto->SeleccionarNodos("/SERVICIO/BLOQUE_DATOS").Longitud(), 1u);
}

TEST_F(ArbolTest, CargarOtroDocumentoNoInvalidaLosNodosAnteriores) {
  PNodoXML dato = doc_->SeleccionarNodo("/SERVICIO/CABECERA/dato");
  EscribirFichero(carpeta_ / "otro.xml", "<OTRO><dato>x</dato></OTRO>");
  doc_->Cargar(carpeta_ / "otro.xml");
  EXPECT_EQ(dato->Texto(), "41000001");
  EXPECT_EQ(doc_->SeleccionarNodos("/SERVICIO").Longitud(), 0u);
  EXPECT_EQ(TextoEn(*doc_, "/OTRO/dato"), "x");
  // A node of the previous content belongs to another document now.
  EXPECT_THROW(doc_->ElementoRaiz()->AnadirHijo(dato), std::runtime_error);
}

TEST_F(ArbolTest, SeleccionSoloDevuelveElementosEnOrdenDelDocumento) {
  EXPECT_EQ(doc_->SeleccionarNodos("//comment()").Longitud(), 0u);
  EXPECT_EQ(doc_->SeleccionarNodos("//@seq").Longitud(), 0u);
  const ListaNodosXML todos = doc_->SeleccionarNodos("//grupo_datos | //dato | /SERVICIO");
  ASSERT_EQ(todos.Longitud(), 3u);
  EXPECT_EQ(todos.Elemento(0)->SeleccionarNodos("CABECERA").Longitud(), 1u);
  EXPECT_EQ(todos.Elemento(1)->Texto(), "41000001");
  EXPECT_EQ(todos.Elemento(3), nullptr);
}

TEST_F(ArbolTest, RutaNoValidaEsUnError) {
  for (const std::string& ruta : {"/SERVICIO/["s, "count(//dato)"s, "x:y"s, "/SERVICIO\0/x"s}) {
    try {
      doc_->SeleccionarNodos(ruta);
      ADD_FAILURE() << "sin error: " << ruta;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("no es válida"), std::string::npos) << e.what();
    }
  }
}

TEST(DocumentoVacio, NoTieneNodosYSeGuardaEnUtf8) {
  CarpetaTemporal carpeta;
  auto doc = CrearDocumentoXML();
  EXPECT_EQ(doc->ElementoRaiz(), nullptr);
  EXPECT_EQ(doc->SeleccionarNodos("/SERVICIO/BLOQUE_DATOS/grupo_datos").Longitud(), 0u);
  EXPECT_EQ(doc->SeleccionarNodo("//dato"), nullptr);
  doc->Guardar(carpeta / "vacio.xml");
  EXPECT_EQ(LeerFichero(carpeta / "vacio.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

}  // namespace
}  // namespace transzorvos
