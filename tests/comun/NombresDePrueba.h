// Names of the cases of parameterised suites, and short texts for printing
// them, so that each case names itself in ctest and in a failure.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace transzorvos::prueba {

// `texto` (UTF-8) as a case name gtest accepts: ASCII letters and digits
// stay, Latin letters lose their marks (á a, Ñ N, ß ss), every other run of
// characters becomes one '_', none at either end; cut to `maximo`
// characters; "vacio" when nothing is left.
std::string NombreDePrueba(std::string_view texto, std::size_t maximo = 48);

// The names of `partes` joined by '_'; an empty part gives "vacio".
std::string NombreDePrueba(std::initializer_list<std::string_view> partes, std::size_t maximo = 48);

// `texto` in double quotes for a case's PrintTo: valid UTF-8 as it is,
// control characters and stray bytes as escapes (\n, \x80), cut to `maximo`
// bytes with "...".
std::string TextoVisible(std::string_view texto, std::size_t maximo = 40);

// Name generator for INSTANTIATE_TEST_SUITE_P over cases with a `nombre`.
struct PorNombre {
  template <class Info>
  std::string operator()(const Info& info) const {
    return NombreDePrueba(info.param.nombre);
  }
};

}  // namespace transzorvos::prueba
