#include "support/utilidades.h"

#include <cstdio>

#include "support/erros.h"

namespace borvan {

std::string TVersaoAplicativo::Execute() {
#if defined(BORVAN_VERSAO_MAIOR) && defined(BORVAN_VERSAO_MENOR) && defined(BORVAN_VERSAO_RELEASE) && \
    defined(BORVAN_VERSAO_BUILD)
  static_assert(BORVAN_VERSAO_MAIOR <= 65535 && BORVAN_VERSAO_MENOR <= 65535 && BORVAN_VERSAO_RELEASE <= 65535 &&
                    BORVAN_VERSAO_BUILD <= 65535,
                "each version component is a 16-bit number");
  return VersaoEmTexto(BORVAN_VERSAO_MAIOR, BORVAN_VERSAO_MENOR, BORVAN_VERSAO_RELEASE, BORVAN_VERSAO_BUILD);
#else
  throw EBorvanErro("Não foi possível obter a versão do aplicativo");
#endif
}

std::string TVersaoAplicativo::VersaoEmTexto(uint16_t AMaior, uint16_t AMenor, uint16_t ARelease, uint16_t ABuild) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%u.%u.%u.%u", unsigned{AMaior}, unsigned{AMenor}, unsigned{ARelease},
                unsigned{ABuild});
  return texto;
}

bool TBorvanBoolean::Convert(const std::string& AValue) {
  // ASCII fold only, no trimming: " S", "Sim" and "1" are all false.
  return AValue.size() == 1 && (AValue[0] == 'S' || AValue[0] == 's');
}

std::string TBorvanBoolean::Convert(bool AValue) { return AValue ? "S" : "N"; }

std::string TBorvanBoolean::Convert(uint8_t AValue) { return AValue == 1 ? "S" : "N"; }

std::string TBorvanBoolean::Invert(const std::string& AValue) { return Convert(!Convert(AValue)); }

bool TBorvanBoolean::Invert(bool AValue) { return !AValue; }

uint8_t TBorvanBoolean::Invert(uint8_t AValue) { return AValue == 0 ? 1 : 0; }

std::string TBorvanBoolean::IsTrue(const std::string& AValue) { return Convert(Convert(AValue)); }

std::string TBorvanBoolean::ToText(bool AValue) { return AValue ? "Sim" : "Não"; }

std::string TBorvanBoolean::ToText(const std::string& AValue) { return ToText(Convert(AValue)); }

}  // namespace borvan
