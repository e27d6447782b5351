#include "exchange/FormatoIntercambio.h"

#include <gtest/gtest.h>

#include "comun/Utilidades.h"

namespace transzorvos {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribirFichero;

// A small exchange document: two top-level groups with values of their own,
// a subjects group (one short record, one with the values in another order),
// and a lower-case namesake that must not be taken for it.
constexpr const char* kDocumento = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO modulo="HORARIOS">
  <BLOQUE_DATOS>
    <grupo_datos seq="CURSO">
      <dato nombre_dato="C_ANNO">  2023
      </dato>
      <dato nombre_dato="F_INICIO">01/09/2023</dato>
      <dato nombre_dato="F_FIN">30/06/2024</dato>
    </grupo_datos>
    <grupo_datos seq="CENTRO"><dato nombre_dato="C_CENTRO">41000001</dato></grupo_datos>
    <grupo_datos seq="MATERIAS" registros="3">
      <grupo_datos seq="1">
        <dato nombre_dato="X_MATERIAOMG">101</dato>
        <dato nombre_dato="D_MATERIA">Matemáticas</dato>
        <dato nombre_dato="C_ABREV">MAT</dato>
      </grupo_datos>
      <grupo_datos seq="2">
        <dato nombre_dato="X_MATERIAOMG">102</dato>
        <dato nombre_dato="D_MATERIA">Lengua &amp; Literatura €	<![CDATA[<b>]]></dato>
      </grupo_datos>
      <grupo_datos seq="3">
        <dato nombre_dato="D_MATERIA">Historia</dato>
        <dato nombre_dato="X_MATERIAOMG">103</dato>
        <otro>no es un valor</otro>
        <dato nombre_dato="C_ABREV"/>
      </grupo_datos>
    </grupo_datos>
    <grupo_datos seq="materias" registros="1">
      <grupo_datos><dato>999</dato><dato>minúsculas</dato></grupo_datos>
    </grupo_datos>
    <grupo_datos seq='A"B'><grupo_datos><dato>comilla doble</dato></grupo_datos></grupo_datos>
    <grupo_datos seq="A&quot;B'C"><grupo_datos><dato>las dos comillas</dato></grupo_datos></grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>
)";

class FormatoIntercambioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EscribirFichero(carpeta_ / "centro.xml", kDocumento);
    doc_->Cargar(carpeta_ / "centro.xml");
  }

  // The values at positions 0.. of every record of a group, ANSI.
  std::vector<std::vector<std::string>> Registros(std::string_view seq, std::size_t posiciones) {
    std::vector<std::vector<std::string>> filas;
    const ListaNodosXML registros = doc_->SeleccionarNodos(RutaRegistros(seq));
    for (std::size_t r = 0; r < registros.Longitud(); ++r) {
      const ListaNodosXML valores = ValoresDe(*registros.Elemento(r));
      std::vector<std::string> fila;
      for (std::size_t p = 0; p < posiciones; ++p) fila.push_back(Valor(valores, p));
      filas.push_back(fila);
    }
    return filas;
  }

  CarpetaTemporal carpeta_;
  std::unique_ptr<DocumentoXML> doc_ = CrearDocumentoXML();
};

TEST_F(FormatoIntercambioTest, RutaDeRegistrosDeUnGrupo) {
  EXPECT_EQ(RutaRegistros("MATERIAS"),
            "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"MATERIAS\"]/grupo_datos");
}

TEST_F(FormatoIntercambioTest, GruposDelBloqueConSusValoresPropios) {
  const ListaNodosXML grupos = doc_->SeleccionarNodos(kRutaGrupos);
  ASSERT_EQ(grupos.Longitud(), 6u);
  const ListaNodosXML curso = ValoresDe(*grupos.Elemento(0));
  ASSERT_EQ(curso.Longitud(), 3u);
  EXPECT_EQ(Valor(curso, 0), "2023");
  EXPECT_EQ(Valor(curso, 1), "01/09/2023");
  EXPECT_EQ(Valor(curso, 2), "30/06/2024");
  EXPECT_EQ(Valor(ValoresDe(*grupos.Elemento(1)), 0), "41000001");
  // A group's records are not its values.
  EXPECT_EQ(ValoresDe(*grupos.Elemento(2)).Longitud(), 0u);
  EXPECT_EQ(grupos.Elemento(6), nullptr);
}

TEST_F(FormatoIntercambioTest, RegistrosLeidosPorPosicion) {
  using Filas = std::vector<std::vector<std::string>>;
  EXPECT_EQ(Registros("MATERIAS", 4),
            (Filas{{"101", "Matem\xE1ticas", "MAT", ""},
                   {"102", "Lengua & Literatura \x80\t<b>", "", ""},
                   // By position only: the names and a foreign element do not count.
                   {"Historia", "103", "", ""}}));
}

TEST_F(FormatoIntercambioTest, ElNombreDelGrupoDistingueMayusculas) {
  using Filas = std::vector<std::vector<std::string>>;
  EXPECT_EQ(Registros("materias", 2), (Filas{{"999", "min\xFAsculas"}}));
  EXPECT_EQ(doc_->SeleccionarNodos(RutaRegistros("Materias")).Longitud(), 0u);
}

TEST_F(FormatoIntercambioTest, GrupoAusenteEsListaVacia) {
  const ListaNodosXML registros = doc_->SeleccionarNodos(RutaRegistros("ACTIVIDADES"));
  EXPECT_EQ(registros.Longitud(), 0u);
  EXPECT_EQ(registros.Elemento(0), nullptr);
  EXPECT_EQ(Valor(registros, 0), "");
}

TEST_F(FormatoIntercambioTest, NombresConComillas) {
  using Filas = std::vector<std::vector<std::string>>;
  EXPECT_EQ(Registros("A\"B", 1), (Filas{{"comilla doble"}}));
  EXPECT_EQ(Registros("A\"B'C", 1), (Filas{{"las dos comillas"}}));
  EXPECT_EQ(Registros("A'B", 1), Filas{});
}

TEST_F(FormatoIntercambioTest, BloqueDeDatosDesdeLaRaiz) {
  const PNodoXML raiz = doc_->ElementoRaiz();
  ASSERT_NE(raiz, nullptr);
  EXPECT_EQ(raiz->SeleccionarNodos("BLOQUE_DATOS").Longitud(), 1u);
  const PNodoXML bloque = raiz->SeleccionarNodo("BLOQUE_DATOS");
  ASSERT_NE(bloque, nullptr);
  EXPECT_EQ(bloque->SeleccionarNodos("grupo_datos").Longitud(), 6u);
  EXPECT_EQ(raiz->SeleccionarNodo("grupo_datos"), nullptr);
}

}  // namespace
}  // namespace transzorvos
