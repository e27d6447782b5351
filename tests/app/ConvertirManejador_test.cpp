// The host window handle as the form converts it: "$" + the argument through
// a strict hexadecimal integer conversion.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/MainForm.h"

namespace transzorvos {
namespace {

TEST(ConvertirManejador, AceptaDigitosHexadecimalesEnAmbosCasos) {
  const struct {
    const char* texto;
    std::uint32_t valor;
  } casos[] = {
      {"1A2B", 0x1A2Bu}, {"1a2b", 0x1A2Bu},         {"0", 0u},
      {"ff", 0xFFu},     {"FFFFFFFF", 0xFFFFFFFFu}, {"0000000000001A2B", 0x1A2Bu},
  };
  for (const auto& c : casos) EXPECT_EQ(ConvertirManejador(c.texto), c.valor) << c.texto;
}

TEST(ConvertirManejador, RechazaTodoLoDemasConElMensajeDeConversion) {
  const char* const casos[] = {"ZZ", "",     " 1A", "1A ", "$1A",       "-1",
                               "+1", "0x1A", "1 2", "G",   "100000000", "1A\n"};
  for (const char* texto : casos) {
    try {
      ConvertirManejador(texto);
      ADD_FAILURE() << "aceptado: '" << texto << "'";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), "'$" + std::string(texto) + "' no es un valor entero válido");
    }
  }
}

}  // namespace
}  // namespace transzorvos
