#include "support/utilidades.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace borvan {
namespace {

TEST(VersaoAplicativo, ExecuteDaAVersaoDoProjeto) {
  EXPECT_EQ(TVersaoAplicativo::Execute(), BORVAN_VERSAO_PROJETO);
}

TEST(VersaoAplicativo, VersaoEmTextoEscreveOsQuatroNumerosPorInteiro) {
  struct TCaso {
    uint16_t Maior, Menor, Release, Build;
    const char* Texto;
  };
  const TCaso casos[] = {
      {1, 0, 4, 0, "1.0.4.0"},
      {10, 2, 0, 1234, "10.2.0.1234"},
      {65535, 65535, 65535, 65535, "65535.65535.65535.65535"},
      {0, 0, 0, 0, "0.0.0.0"},
  };
  for (const TCaso& caso : casos) {
    EXPECT_EQ(TVersaoAplicativo::VersaoEmTexto(caso.Maior, caso.Menor, caso.Release, caso.Build), caso.Texto);
  }
}

// Every text overload, row by row: Convert, Invert, IsTrue, ToText.
TEST(BorvanBoolean, SobrecargasDeTexto) {
  struct TCaso {
    std::string Valor;
    bool Convert;
    const char* Invert;
    const char* IsTrue;
    const char* ToText;
  };
  const TCaso casos[] = {
      {"S", true, "N", "S", "Sim"},
      {"s", true, "N", "S", "Sim"},
      {"N", false, "S", "N", "Não"},
      {"n", false, "S", "N", "Não"},
      {"", false, "S", "N", "Não"},
      {"Sim", false, "S", "N", "Não"},
      {"SIM", false, "S", "N", "Não"},
      {" S", false, "S", "N", "Não"},
      {"S ", false, "S", "N", "Não"},
      {"1", false, "S", "N", "Não"},
      {"T", false, "S", "N", "Não"},
      {"true", false, "S", "N", "Não"},
      {"x", false, "S", "N", "Não"},
      {std::string("S\0", 2), false, "S", "N", "Não"},
      {"\xC5\xA0", false, "S", "N", "Não"},  // "Š": no folding beyond ASCII
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE("AValue = \"" + caso.Valor + "\"");
    EXPECT_EQ(TBorvanBoolean::Convert(caso.Valor), caso.Convert);
    EXPECT_EQ(TBorvanBoolean::Invert(caso.Valor), caso.Invert);
    EXPECT_EQ(TBorvanBoolean::IsTrue(caso.Valor), caso.IsTrue);
    EXPECT_EQ(TBorvanBoolean::ToText(caso.Valor), caso.ToText);
  }
}

TEST(BorvanBoolean, LiteraisSaoLidosComoTexto) {
  EXPECT_TRUE(TBorvanBoolean::Convert("s"));
  EXPECT_FALSE(TBorvanBoolean::Convert("N"));
  EXPECT_EQ(TBorvanBoolean::Invert("S"), "N");
  EXPECT_EQ(TBorvanBoolean::ToText(""), "Não");
}

TEST(BorvanBoolean, SobrecargasDeBooleano) {
  EXPECT_EQ(TBorvanBoolean::Convert(true), "S");
  EXPECT_EQ(TBorvanBoolean::Convert(false), "N");
  EXPECT_FALSE(TBorvanBoolean::Invert(true));
  EXPECT_TRUE(TBorvanBoolean::Invert(false));
  EXPECT_EQ(TBorvanBoolean::ToText(true), "Sim");
  EXPECT_EQ(TBorvanBoolean::ToText(false), "N\xC3\xA3o");
}

TEST(BorvanBoolean, SobrecargasDeByte) {
  struct TCaso {
    uint8_t Valor;
    const char* Convert;
    uint8_t Invert;
  };
  const TCaso casos[] = {{0, "N", 1}, {1, "S", 0}, {2, "N", 0}, {7, "N", 0}, {255, "N", 0}};
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(int{caso.Valor});
    EXPECT_EQ(TBorvanBoolean::Convert(caso.Valor), caso.Convert);
    EXPECT_EQ(TBorvanBoolean::Invert(caso.Valor), caso.Invert);
  }
}

}  // namespace
}  // namespace borvan
