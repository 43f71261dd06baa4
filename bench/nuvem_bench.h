// The stand-in of both clouds for the benchmark: accepts every post as fast
// as it can and keeps only counters, so that its own memory stays flat
// however many rows go through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace borvan::bench {

struct TContagemNuvem {
  uint64_t Requisicoes = 0;
  uint64_t Gets = 0;
  uint64_t Posts = 0;
  uint64_t BytesRecebidos = 0;
  // Distinct client connections seen (address and port).
  uint64_t Conexoes = 0;
};

class TNuvemBench {
 public:
  // Listens on 127.0.0.1:APorta until destruction; throws std::runtime_error
  // when the port cannot be bound.
  explicit TNuvemBench(int APorta);
  ~TNuvemBench();
  TNuvemBench(const TNuvemBench&) = delete;
  TNuvemBench& operator=(const TNuvemBench&) = delete;

  // Body of every "maxCodAtualizacao" GET ("0": the cloud holds nothing).
  void DefinirMaxCodigo(std::string ACorpo);
  // Body of the options digest GET.
  void DefinirCodigoMd5(std::string ACorpo);

  TContagemNuvem Contagem() const;
  void Zerar();

 private:
  struct TEstado;
  std::unique_ptr<TEstado> FEstado;
};

}  // namespace borvan::bench
