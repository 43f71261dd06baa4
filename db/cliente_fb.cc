#include "db/cliente_fb.h"

#include <vector>

namespace borvan::fb {

Firebird::IMaster* Mestre() {
  static Firebird::IMaster* const mestre = Firebird::fb_get_master_interface();
  return mestre;
}

Firebird::IUtil* Util() {
  static Firebird::IUtil* const util = Mestre()->getUtilInterface();
  return util;
}

std::string TextoStatus(Firebird::IStatus* AStatus) {
  std::vector<char> buffer(4096);
  Util()->formatStatus(buffer.data(), static_cast<unsigned>(buffer.size()), AStatus);
  // The library separates its lines with "\n-"; the log wants one line.
  std::string texto;
  for (const char* p = buffer.data(); *p != '\0'; ++p) {
    if (*p == '\r') continue;
    if (*p == '\n') {
      if (p[1] == '-') ++p;
      if (!texto.empty() && texto.back() != ' ') texto += ' ';
      continue;
    }
    texto += *p;
  }
  while (!texto.empty() && texto.back() == ' ') texto.pop_back();
  if (texto.empty()) texto = "Unknown database error";
  return texto;
}

}  // namespace borvan::fb
