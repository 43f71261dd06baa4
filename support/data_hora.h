// Calendar values as the database and the log use them.
#pragma once

#include <compare>
#include <cstdint>

namespace borvan {

// A local date and time of day. The default value is the zero date
// (30 December 1899, midnight), which is what a null date column reads as.
struct TDataHora {
  int Ano = 1899;
  int Mes = 12;
  int Dia = 30;
  int Hora = 0;
  int Minuto = 0;
  int Segundo = 0;
  int Milissegundo = 0;

  auto operator<=>(const TDataHora&) const = default;
};

// A calendar date. Ano == 0 is the empty date, which never equals a real
// one (the module's dates start empty so the first comparison differs).
struct TData {
  int Ano = 0;
  int Mes = 0;
  int Dia = 0;

  bool Vazia() const { return Ano == 0; }
  auto operator<=>(const TData&) const = default;
};

inline TData DataDe(const TDataHora& AValor) { return TData{AValor.Ano, AValor.Mes, AValor.Dia}; }

}  // namespace borvan
