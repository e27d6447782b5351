// Bad documents and failed saves: each ends in a clear message and leaves
// nothing read that should not be, and nothing half-written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "comun/NombresDePrueba.h"
#include "comun/Utilidades.h"
#include "exchange/DocumentoXML.h"

namespace transzorvos {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribirFichero;
using prueba::LeerFichero;

// The message of the exception Cargar throws, or "" when it loads.
std::string ErrorAlCargar(DocumentoXML& doc, const std::filesystem::path& fichero) {
  try {
    doc.Cargar(fichero);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::string ErrorAlGuardar(const DocumentoXML& doc, const std::filesystem::path& fichero) {
  try {
    doc.Guardar(fichero);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::vector<std::string> Contenido(const std::filesystem::path& carpeta) {
  std::vector<std::string> nombres;
  for (const auto& e : std::filesystem::directory_iterator(carpeta)) {
    nombres.push_back(e.path().filename().string());
  }
  std::sort(nombres.begin(), nombres.end());
  return nombres;
}

struct Malformado {
  const char* nombre;
  const char* contenido;
  int linea;
  const char* motivo;  // part of the parser's reason
  friend void PrintTo(const Malformado& m, std::ostream* os) {
    *os << m.nombre << ": error en la línea " << m.linea;
  }
};

class MalformadoTest : public ::testing::TestWithParam<Malformado> {};

TEST_P(MalformadoTest, ElMensajeNombraFicheroMotivoYLinea) {
  CarpetaTemporal carpeta;
  const auto fichero = carpeta / "centro mal formado.xml";
  EscribirFichero(fichero, GetParam().contenido);
  auto doc = CrearDocumentoXML();
  const std::string mensaje = ErrorAlCargar(*doc, fichero);
  EXPECT_NE(
      mensaje.find("El fichero " + fichero.string() + " no es un documento XML bien formado: "),
      std::string::npos)
      << mensaje;
#ifndef _WIN32  // the reason and line are the parser's; Wine's XML DOM reports neither
  EXPECT_NE(mensaje.find(GetParam().motivo), std::string::npos) << mensaje;
  EXPECT_NE(mensaje.find("(línea " + std::to_string(GetParam().linea) + ")"), std::string::npos)
      << mensaje;
#endif
  EXPECT_EQ(doc->ElementoRaiz(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, MalformadoTest,
    ::testing::Values(
        Malformado{"EtiquetasCruzadas",
                   "<SERVICIO>\n<BLOQUE_DATOS>\n<dato>1</grupo_datos>\n</SERVICIO>\n", 3,
                   "mismatch"},
        Malformado{"Cortado", "<SERVICIO>\n<BLOQUE_DATOS>\n<dato>1", 3, ""},
        Malformado{"Vacio", "", 1, "empty"}, Malformado{"SoloTexto", "esto no es XML\n", 1, ""},
        Malformado{"AmpersandSuelto", "<SERVICIO>\n\n<dato>A & B</dato></SERVICIO>", 3, ""},
        Malformado{"Utf8NoValido", "<SERVICIO>\n<dato>\xFF\xFE</dato></SERVICIO>", 2, ""},
        Malformado{"DosRaices", "<a/>\n<b/>\n", 2, "Extra content"}),
    prueba::PorNombre());

TEST(CargarFallos, FicheroQueNoSePuedeLeer) {
  CarpetaTemporal carpeta;
  auto doc = CrearDocumentoXML();
  for (const auto& fichero : {carpeta / "no existe.xml", carpeta.Ruta()}) {
    const std::string mensaje = ErrorAlCargar(*doc, fichero);
    EXPECT_EQ(mensaje.rfind("No se puede leer el fichero " + fichero.string() + ": ", 0), 0u)
        << mensaje;
  }
}

TEST(CargarFallos, UnErrorNoCambiaElDocumentoYaCargado) {
  CarpetaTemporal carpeta;
  EscribirFichero(carpeta / "bueno.xml", "<SERVICIO><BLOQUE_DATOS/></SERVICIO>");
  EscribirFichero(carpeta / "malo.xml", "<SERVICIO>");
  auto doc = CrearDocumentoXML();
  doc->Cargar(carpeta / "bueno.xml");
  EXPECT_NE(ErrorAlCargar(*doc, carpeta / "malo.xml"), "");
  EXPECT_EQ(doc->SeleccionarNodos("/SERVICIO/BLOQUE_DATOS").Longitud(), 1u);
}

// --- Entities --------------------------------------------------------------

class EntidadesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EscribirFichero(carpeta_ / "secreto.txt", kSecreto);
    EscribirFichero(carpeta_ / "secreto.dtd",
                    "<!ENTITY sec SYSTEM \"secreto.txt\">\n"
                    "<!ATTLIST dato nombre_dato CDATA \"NOMBRE_SECRETO\">\n");
  }
  std::string Uri(const char* nombre) const { return "file://" + (carpeta_ / nombre).string(); }
  // Loads `contenido`; a document that loads must hold nothing of the secret,
  // neither in its texts nor when saved. Returns the load error, if any.
  std::string Cargar(const std::string& contenido) {
    EscribirFichero(carpeta_ / "doc.xml", contenido);
    auto doc = CrearDocumentoXML();
    const std::string mensaje = ErrorAlCargar(*doc, carpeta_ / "doc.xml");
    if (mensaje.empty()) {
      const PNodoXML raiz = doc->ElementoRaiz();
      EXPECT_EQ(raiz->Texto().find("SECRETO"), std::string::npos) << raiz->Texto();
      doc->Guardar(carpeta_ / "guardado.xml");
      const std::string guardado = LeerFichero(carpeta_ / "guardado.xml");
      EXPECT_EQ(guardado.find("SECRETO"), std::string::npos) << guardado;
    }
    return mensaje;
  }

  static constexpr const char* kSecreto = "CONTENIDO SECRETO";
  CarpetaTemporal carpeta_;
};

TEST_F(EntidadesTest, EntidadExternaNoSeLee) {
  for (const std::string& uri : {Uri("secreto.txt"), std::string("file:///etc/hostname"),
                                 std::string("http://127.0.0.1:9/x")}) {
    const std::string mensaje = Cargar("<!DOCTYPE SERVICIO [<!ENTITY sec SYSTEM \"" + uri +
                                       "\">]>\n<SERVICIO><dato>&sec;</dato></SERVICIO>\n");
    EXPECT_NE(mensaje.find("declara la entidad 'sec' (línea 1)"), std::string::npos) << mensaje;
  }
}

TEST_F(EntidadesTest, EntidadParametroExternaNoSeLee) {
  const std::string mensaje =
      Cargar("<!DOCTYPE SERVICIO [\n<!ENTITY % dtd SYSTEM \"" + Uri("secreto.dtd") +
             "\">\n%dtd;\n]>\n<SERVICIO><dato>&sec;</dato></SERVICIO>\n");
  EXPECT_NE(mensaje.find("declara la entidad 'dtd' (línea 2)"), std::string::npos) << mensaje;
}

TEST_F(EntidadesTest, DtdExternaNoSeLee) {
  // Both load; neither the DTD's entity nor its attribute default comes in.
  for (const char* dato : {"x", "&sec;"}) {
    EXPECT_EQ(Cargar("<!DOCTYPE SERVICIO SYSTEM \"" + Uri("secreto.dtd") + "\">\n<SERVICIO><dato>" +
                     dato + "</dato></SERVICIO>\n"),
              "");
  }
}

TEST_F(EntidadesTest, ExpansionMasivaSeRechaza) {
  std::string dtd = "<!DOCTYPE SERVICIO [\n<!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    const std::string previa = i == 1 ? "lol" : "lol" + std::to_string(i - 1);
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) dtd += "&" + previa + ";";
    dtd += "\">\n";
  }
  const std::string mensaje = Cargar(dtd + "]>\n<SERVICIO><dato>&lol9;</dato></SERVICIO>\n");
  EXPECT_NE(mensaje.find("declara la entidad 'lol' (línea 2)"), std::string::npos) << mensaje;
}

TEST_F(EntidadesTest, EntidadesPredefinidasYReferenciasDeCaracter) {
  EXPECT_EQ(Cargar("<SERVICIO><dato>&lt;&amp;&gt;&quot;&apos;&#233;&#x20AC;</dato></SERVICIO>"),
            "");
  auto doc = CrearDocumentoXML();
  doc->Cargar(carpeta_ / "doc.xml");
  EXPECT_EQ(doc->SeleccionarNodo("//dato")->Texto(), "<&>\"'é€");
}

// --- Saving ----------------------------------------------------------------

class GuardarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EscribirFichero(carpeta_ / "doc.xml", "<SERVICIO><BLOQUE_DATOS/></SERVICIO>");
    doc_->Cargar(carpeta_ / "doc.xml");
    doc_->SeleccionarNodo("//BLOQUE_DATOS")->AnadirHijo(doc_->CrearElemento("grupo_datos"));
  }
  CarpetaTemporal carpeta_;
  std::unique_ptr<DocumentoXML> doc_ = CrearDocumentoXML();
};

TEST_F(GuardarTest, SustituyeElFicheroExistenteConSusPermisos) {
  const auto destino = carpeta_ / "resultado.xml";
  EscribirFichero(destino, "anterior, más largo que el documento nuevo........................");
#ifndef _WIN32
  ASSERT_EQ(::chmod(destino.c_str(), 0640), 0);
#endif
  doc_->Guardar(destino);
  EXPECT_EQ(LeerFichero(destino),
            "<?xml version=\"1.0\" "
            "encoding=\"UTF-8\"?>\n<SERVICIO><BLOQUE_DATOS><grupo_datos/></BLOQUE_DATOS>"
            "</SERVICIO>\n");
#ifndef _WIN32
  struct stat datos;
  ASSERT_EQ(::stat(destino.c_str(), &datos), 0);
  EXPECT_EQ(datos.st_mode & 07777, 0640u);
#endif
  EXPECT_EQ(Contenido(carpeta_.Ruta()), (std::vector<std::string>{"doc.xml", "resultado.xml"}));
}

TEST_F(GuardarTest, DestinoQueEsUnaCarpetaQuedaIntacto) {
  const auto destino = carpeta_ / "resultado.xml";
  std::filesystem::create_directory(destino);
  EscribirFichero(destino / "dentro.txt", "x");
  const std::string mensaje = ErrorAlGuardar(*doc_, destino);
  EXPECT_EQ(mensaje.rfind("No se puede guardar el fichero " + destino.string() + ": ", 0), 0u)
      << mensaje;
  EXPECT_TRUE(std::filesystem::is_directory(destino));
  EXPECT_EQ(LeerFichero(destino / "dentro.txt"), "x");
  EXPECT_EQ(Contenido(carpeta_.Ruta()), (std::vector<std::string>{"doc.xml", "resultado.xml"}));
}

TEST_F(GuardarTest, CarpetaInexistente) {
  for (const auto& destino :
       {carpeta_ / "no existe" / "resultado.xml", carpeta_ / "doc.xml" / "resultado.xml"}) {
    const std::string mensaje = ErrorAlGuardar(*doc_, destino);
    EXPECT_EQ(mensaje.rfind("No se puede guardar el fichero " + destino.string() + ": ", 0), 0u)
        << mensaje;
  }
  EXPECT_EQ(Contenido(carpeta_.Ruta()), (std::vector<std::string>{"doc.xml"}));
}

#ifndef _WIN32
// POSIX permissions; Windows has no read-only folders in this sense.
TEST_F(GuardarTest, CarpetaSinPermisoDeEscrituraDejaElDestinoIntacto) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const auto carpeta = carpeta_ / "protegida";
  std::filesystem::create_directory(carpeta);
  EscribirFichero(carpeta / "resultado.xml", "anterior");
  ASSERT_EQ(::chmod(carpeta.c_str(), 0555), 0);
  const std::string mensaje = ErrorAlGuardar(*doc_, carpeta / "resultado.xml");
  ::chmod(carpeta.c_str(), 0755);
  EXPECT_NE(mensaje.find("resultado.xml"), std::string::npos) << mensaje;
  EXPECT_EQ(LeerFichero(carpeta / "resultado.xml"), "anterior");
  EXPECT_EQ(Contenido(carpeta), (std::vector<std::string>{"resultado.xml"}));
}
#endif

}  // namespace
}  // namespace transzorvos
