// The system's own texts shown to the user, shared by every front end.
#pragma once

#include <string_view>

namespace transzorvos {

inline constexpr std::string_view kTituloAplicacion = "TransZorvosOdrana";
inline constexpr std::string_view kNoExisteArchivo = "No existe archivo";
inline constexpr std::string_view kProcesoFinalizado = "Proceso finalizado";
inline constexpr std::string_view kFaltaCursoAcad =
    "ATENCIÓN Falta un Fich. Temporal. Transforme de nuevo de Odrana a Zorvan";

}  // namespace transzorvos
