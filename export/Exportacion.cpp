// The export run: the seven builders in their fixed order over one loaded
// document.
#include "export/Exportacion.h"

namespace transzorvos {

void Exportar(const DocumentoXML& DocXML, const std::filesystem::path& carpeta,
              TablasFormulario& tablas,
              const std::function<void(const TablaExportada&)>& alTerminar) {
  auto terminada = [&](const char* nombre, std::size_t filas) {
    if (alTerminar) alTerminar(TablaExportada{nombre, filas});
  };
  terminada("CURSOACAD", ExportarCursoAcad(DocXML, carpeta));
  terminada("ASIGNOMT", ExportarMaterias(DocXML, carpeta));
  terminada("PROFT", ExportarProfesores(DocXML, carpeta));
  terminada("AULAT", ExportarAulas(DocXML, carpeta));
  terminada("GRUPOST", ExportarGrupos(DocXML, carpeta));
  terminada("ASIGT", ExportarAsignaciones(carpeta, tablas.wwTableGrupos, tablas.wwTableNomAsg));
  terminada("DIASHORAST", ExportarTramos(DocXML, carpeta));
}

std::unique_ptr<DocumentoXML> CargarDocumento(const std::filesystem::path& FicheroXML) {
  std::unique_ptr<DocumentoXML> DocXML = CrearDocumentoXML();
  DocXML->Cargar(FicheroXML);
  return DocXML;
}

}  // namespace transzorvos
