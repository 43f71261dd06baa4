// High-water marks from answers a cloud should never give: only an
// optional sign and ASCII digits that fit 32 bits are a mark, whatever
// else the body holds and however large it is.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "cloud/base_client.h"
#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"
#include "support/erros.h"
#include "tests/ambiente_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

namespace borvan {
namespace {

class MarcaInvalidaTeste : public ::testing::Test {
 protected:
  MarcaInvalidaTeste() { teste::GravarArquivo(FDiretorio.Arquivo("Eh.Programador"), ""); }

  // The mark the Lumio customers' wrapper reads from a 200 answer ACorpo.
  int MarcaDe(const std::string& ACorpo) {
    FNuvem.RestaurarRespostas();
    FNuvem.Responder("GET", "clientes/maxCodAtualizacao/empresa/", 200, ACorpo);
    return TLumioClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao("77");
  }

  teste::TDiretorioTemporario FDiretorio;
  teste::TAmbienteTeste FAmbiente{FDiretorio.Caminho()};
  teste::TNuvemTeste FNuvem{8091};
};

TEST_F(MarcaInvalidaTeste, OnlyASignAndAsciiDigitsAreANumber) {
  const struct {
    std::string Corpo;
    int Esperado;
  } casos[] = {
      {"57", 57},
      {"+57", 57},
      {"-57", -57},  // a negative mark is taken as it stands
      {"-0", 0},
      {"-1", -1},    // indistinguishable from "no number": asked again next run
      {"1e3", -1},
      {" 57", -1},
      {"57\n", -1},
      {"\r\n57", -1},
      {"57\r\n", -1},
      {"\t57", -1},
      {"0x1F", -1},
      {"1F", -1},
      {"5_7", -1},
      {"5,7", -1},
      {"+-57", -1},
      {"99999999999", -1},
      {"4294967353", -1},  // 57 + 2^32: no wrap-around onto 57
      {"-4294967239", -1},
      {"18446744073709551673", -1},  // 57 + 2^64
      {"\xD9\xA5\xD9\xA7", -1},      // Arabic-Indic 5 7
      {"\xEF\xBC\x95\xEF\xBC\x97", -1},  // full-width 5 7
      {"\xDB\xB5\xDB\xB7", -1},      // extended Arabic-Indic 5 7
      {"5\xEF\xBC\x97", -1},
      {"\xEF\xBB\xBF" "57", -1},     // byte-order mark
      {std::string("57\0", 3), -1},
      {std::string("\0" "57", 3), -1},
      {std::string("5\0" "7", 3), -1},
      {"\"57\"", -1},
      {"[57]", -1},
      {"{\"max\":57}", -1},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(testing::PrintToString(caso.Corpo));
    EXPECT_EQ(MarcaDe(caso.Corpo), caso.Esperado);
    EXPECT_EQ(LerMaxCodigoAtualizacao(caso.Corpo), caso.Esperado);
  }
}

TEST_F(MarcaInvalidaTeste, LargeBodiesAreReadWholeUpToTheCap) {
  constexpr size_t MIB = 1024 * 1024;
  // Leading zeros do not count against 32 bits; the value does.
  EXPECT_EQ(MarcaDe(std::string(10 * MIB, '0') + "57"), 57);
  EXPECT_EQ(MarcaDe("-" + std::string(10 * MIB, '0') + "2147483648"), -2147483647 - 1);
  EXPECT_EQ(MarcaDe(std::string(10 * MIB, '9')), -1);
  EXPECT_EQ(MarcaDe("57" + std::string(10 * MIB, ' ')), -1);
  // A digit-only prefix must not be taken for the mark of a body that
  // goes on with something else.
  EXPECT_EQ(MarcaDe(std::string(10 * MIB, '0') + "57x"), -1);

  // Beyond the cap the answer is refused as a transport failure, not
  // truncated into a number.
  FNuvem.RestaurarRespostas();
  FNuvem.Responder("GET", "clientes/maxCodAtualizacao/empresa/", 200, std::string(17 * MIB, '0'));
  try {
    TLumioClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao("77");
    ADD_FAILURE() << "expected ENuvem";
  } catch (const ENuvem& erro) {
    EXPECT_THAT(erro.what(), testing::StartsWith("REST request failed: "));
  }
}

TEST_F(MarcaInvalidaTeste, AnErrorStatusIsNeverReadAsAMark) {
  // A 4xx whose body looks like a mark: the wrapper raises the body, the
  // bare client gives -1; neither takes the digits.
  FNuvem.Responder("GET", "clientes/maxCodAtualizacao/empresa/", 404, "57");
  TLumioClienteClient cliente(TOKEN_BORVAN);
  EXPECT_EQ(cliente.MaxCodigoAtualizacao("77"), -1);
  try {
    TLumioClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao("77");
    ADD_FAILURE() << "expected ENuvem";
  } catch (const ENuvem& erro) {
    EXPECT_STREQ(erro.what(), "57");
  }
}

}  // namespace
}  // namespace borvan
