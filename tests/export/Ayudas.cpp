#include "export/Ayudas.h"

#include "exchange/Ansi.h"
#include "export/Exportacion.h"
#include "tables/TablaDBF.h"

namespace transzorvos::prueba {
namespace {

std::string Escapar(std::string_view texto) {
  std::string salida;
  for (char c : texto) {
    switch (c) {
      case '&':
        salida += "&amp;";
        break;
      case '<':
        salida += "&lt;";
        break;
      case '>':
        salida += "&gt;";
        break;
      case '"':
        salida += "&quot;";
        break;
      default:
        salida += c;
    }
  }
  return salida;
}

void EscribirValores(std::string& xml, const Valores& valores) {
  for (std::size_t i = 0; i < valores.size(); ++i) {
    xml += "<dato nombre_dato=\"V" + std::to_string(i) + "\">" + Escapar(valores[i]) + "</dato>";
  }
}

}  // namespace

GrupoPrueba Grupo(std::string seq, std::vector<Valores> registros) {
  return GrupoPrueba{std::move(seq), {}, std::move(registros)};
}

GrupoPrueba GrupoCurso() {
  return GrupoPrueba{"CURSO", {"2026", "15/09/2026", "23/06/2027"}, {}};
}

std::string DocumentoIntercambio(const std::vector<GrupoPrueba>& grupos) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO><BLOQUE_DATOS>";
  for (const GrupoPrueba& g : grupos) {
    xml += "<grupo_datos seq=\"" + Escapar(g.seq) + "\" registros=\"" +
           std::to_string(g.registros.size()) + "\">";
    EscribirValores(xml, g.propios);
    for (std::size_t r = 0; r < g.registros.size(); ++r) {
      xml += "<grupo_datos seq=\"R" + std::to_string(r + 1) + "\">";
      EscribirValores(xml, g.registros[r]);
      xml += "</grupo_datos>";
    }
    xml += "</grupo_datos>";
  }
  return xml + "</BLOQUE_DATOS></SERVICIO>\n";
}

std::vector<Fila> Filas(const std::filesystem::path& carpeta, std::string_view tabla) {
  TablaDBF t(carpeta, std::string(tabla));
  t.Open();
  std::vector<Fila> filas;
  for (t.First(); !t.Eof(); t.Next()) {
    Fila fila;
    for (const DescripcionCampo& campo : t.Campos())
      fila.push_back(AnsiAUtf8(t.FieldByName(campo.nombre).AsString()));
    filas.push_back(std::move(fila));
  }
  return filas;
}

std::vector<std::string> Columna(const std::filesystem::path& carpeta, std::string_view tabla,
                                 std::string_view campo) {
  TablaDBF t(carpeta, std::string(tabla));
  t.Open();
  std::vector<std::string> valores;
  for (t.First(); !t.Eof(); t.Next()) valores.push_back(AnsiAUtf8(t.FieldByName(campo).AsString()));
  return valores;
}

std::vector<std::string> Estructura(const std::filesystem::path& carpeta, std::string_view tabla) {
  TablaDBF t(carpeta, std::string(tabla));
  t.Open();
  std::vector<std::string> campos;
  for (const DescripcionCampo& c : t.Campos()) {
    campos.push_back(c.nombre + " " + c.tipo + " " + std::to_string(c.ancho) + " " +
                     std::to_string(c.decimales));
  }
  return campos;
}

std::string FilasPython(const std::filesystem::path& fichero) {
  const std::string guion =
      "import dbf, sys\n"
      "t = dbf.Table(sys.argv[1], codepage='cp1252')\n"
      "t.open(dbf.READ_ONLY)\n"
      "for r in t:\n"
      "    print('|'.join('<nada>' if v is None else str(v).rstrip() for v in r))\n"
      "t.close()\n";
  CarpetaTemporal aparte;
  EscribirFichero(aparte / "leer.py", guion);
  std::string salida;
  const int estado = Ejecutar(std::string(kPython) + " '" + (aparte / "leer.py").string() + "' '" +
                                  fichero.string() + "' 2>&1",
                              &salida);
  EXPECT_EQ(estado, 0) << salida;
  return salida;
}

PruebaExportacion::PruebaExportacion() : qtemp(temporal / "QTEMP") {
  std::filesystem::create_directory(qtemp);
}

std::unique_ptr<DocumentoXML> PruebaExportacion::Cargar(const std::vector<GrupoPrueba>& grupos) {
  const std::filesystem::path fichero = temporal / "intercambio.xml";
  EscribirFichero(fichero, DocumentoIntercambio(grupos));
  return CargarDocumento(fichero);
}

}  // namespace transzorvos::prueba
