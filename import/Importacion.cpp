#include "import/Importacion.h"

#include <stdexcept>
#include <string>
#include <system_error>

#include "import/HorariosProfesores.h"
#include "tables/ArchivoTabla.h"
#include "tables/TablaDBF.h"

namespace transzorvos {
namespace {

// Closes the six form tables, in the order they are opened, when the run
// leaves by any path: an error must not leave a table locked against the next
// run or the host.
class CierreTablas {
 public:
  explicit CierreTablas(TablasFormulario& t) : t_(t) {}
  ~CierreTablas() { Cerrar(); }
  CierreTablas(const CierreTablas&) = delete;
  CierreTablas& operator=(const CierreTablas&) = delete;

  void Cerrar() {
    t_.wwTableSoluc.Close();
    t_.wwTableGrupos.Close();
    t_.wwTableProfesor.Close();
    t_.wwTableAulas.Close();
    t_.wwTableNomAsg.Close();
    t_.wwTableTramos.Close();
  }

 private:
  TablasFormulario& t_;
};

// The base document's data block. Every way the base document can be
// unusable is reported here, before any table is opened.
PNodoXML CargarBase(DocumentoXML& DocXML, const std::filesystem::path& base) {
  const std::string nombre = TextoRuta(base);
  std::error_code ec;
  if (!std::filesystem::exists(base, ec))
    throw std::runtime_error("No existe el documento base " + nombre);
  if (std::filesystem::is_directory(base, ec))
    throw std::runtime_error("El documento base " + nombre + " es una carpeta, no un fichero");
  DocXML.Cargar(base);
  PNodoXML raiz = DocXML.ElementoRaiz();
  if (!raiz) throw std::runtime_error("El documento base " + nombre + " no tiene elemento raíz");
  PNodoXML bloque = raiz->SeleccionarNodo("BLOQUE_DATOS");
  if (!bloque)
    throw std::runtime_error("El documento base " + nombre +
                             " no tiene un elemento BLOQUE_DATOS bajo su raíz");
  return bloque;
}

}  // namespace

std::filesystem::path RutaResultado(const std::filesystem::path& FicheroXML) {
  std::filesystem::path nombre("ResultadoZorvos");
  nombre += FicheroXML.filename();
  return FicheroXML.parent_path() / nombre;
}

ResultadoImportacion Importar(const std::filesystem::path& FicheroXML,
                              const std::filesystem::path& base,
                              const std::filesystem::path& carpeta, TablasFormulario& tablas) {
  ResultadoImportacion resultado;
  if (!ExisteTabla(carpeta, "CURSOACAD")) {
    resultado.faltaCursoAcad = true;
    return resultado;
  }

  std::string fInicio, fFin;
  {
    TablaDBF curso(carpeta, "CURSOACAD.DBF");
    curso.Open();
    curso.First();
    if (!curso.Eof()) {
      fInicio = curso.FieldByName("F_INICIO").AsString();
      fFin = curso.FieldByName("F_FIN").AsString();
    }
    curso.Close();
  }

  std::unique_ptr<DocumentoXML> DocXML = CrearDocumentoXML();
  PNodoXML bloque = CargarBase(*DocXML, base);
  PNodoXML horarios = DocXML->CrearElemento("grupo_datos");
  horarios->PonerAtributo("seq", "HORARIOS_REGULARES");
  horarios->PonerAtributo("registros", "1");
  bloque->AnadirHijo(horarios);

  {
    CierreTablas cierre(tablas);
    tablas.wwTableSoluc.Open();
    tablas.wwTableGrupos.Open();
    tablas.wwTableProfesor.Open();
    tablas.wwTableAulas.Open();
    tablas.wwTableNomAsg.Open();
    tablas.wwTableTramos.Open();

    resultado.profesores =
        EscribirHorariosProfesores(tablas, *DocXML, *horarios, fInicio, fFin, resultado);
    horarios->PonerAtributo("registros", std::to_string(resultado.profesores));
    cierre.Cerrar();
  }

  resultado.fichero = RutaResultado(FicheroXML);
  DocXML->Guardar(resultado.fichero);
  return resultado;
}

}  // namespace transzorvos
