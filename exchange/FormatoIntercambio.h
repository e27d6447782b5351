// The shape of the exchange document as the export reads it: groups found by
// name under the data block, a record's values taken by position.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "exchange/DocumentoXML.h"

namespace transzorvos {

// "/SERVICIO/BLOQUE_DATOS/grupo_datos": the groups of the data block.
inline constexpr std::string_view kRutaGrupos = "/SERVICIO/BLOQUE_DATOS/grupo_datos";

// The path of the records of the group named `seq`:
// /SERVICIO/BLOQUE_DATOS/grupo_datos[@seq="MATERIAS"]/grupo_datos
std::string RutaRegistros(std::string_view seq);

// The "dato" children of a record or group, in document order.
ListaNodosXML ValoresDe(const NodoXML& registro);

// The value at `posicion`: the element's text trimmed of every character of
// code 32 or less at both ends, then converted to Windows-1252. A position the
// record lacks reads as empty text.
std::string Valor(const ListaNodosXML& valores, std::size_t posicion);

}  // namespace transzorvos
