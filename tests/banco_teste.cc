#include "tests/banco_teste.h"

#include <firebird/Interface.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include "db/cliente_fb.h"
#include "tests/diretorio_temporario.h"

namespace borvan::teste {

namespace {

using fb::Mestre;
using fb::TStatus;

std::string Texto(const Firebird::FbException& AErro) { return fb::TextoStatus(AErro.getStatus()); }

std::string NovoCaminho() {
  static std::atomic<unsigned> contador{0};
  std::random_device aleatorio;
  char nome[96];
  std::snprintf(nome, sizeof nome, "/tmp/borvan-%d-%u-%08x.fdb", static_cast<int>(getpid()),
                contador++, aleatorio());
  return nome;
}

}  // namespace

struct TBancoTeste::TImpl {
  Firebird::IProvider* FProvedor = nullptr;
  Firebird::IAttachment* FAnexo = nullptr;

  ~TImpl() {
    if (FAnexo) FAnexo->release();
    if (FProvedor) FProvedor->release();
  }
};

TBancoTeste::TBancoTeste() : FCaminho(NovoCaminho()), FImpl(std::make_unique<TImpl>()) {
  try {
    TStatus status;
    FImpl->FProvedor = Mestre()->getDispatcher();
    Firebird::IXpbBuilder* dpb = Mestre()->getUtilInterface()->getXpbBuilder(
        &status, Firebird::IXpbBuilder::DPB, nullptr, 0);
    try {
      dpb->insertString(&status, isc_dpb_user_name, "sysdba");
      dpb->insertString(&status, isc_dpb_password, "quillfern");
      dpb->insertString(&status, isc_dpb_set_db_charset, "UTF8");
      dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
      dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
      // A test database need not survive a crash: skip synchronous writes.
      dpb->insertInt(&status, isc_dpb_force_write, 0);
      FImpl->FAnexo = FImpl->FProvedor->createDatabase(
          &status, TextoConexao().c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
    } catch (...) {
      dpb->dispose();
      throw;
    }
    dpb->dispose();
  } catch (const Firebird::FbException& e) {
    throw std::runtime_error("cannot create " + FCaminho + ": " + Texto(e));
  }
}

TBancoTeste::~TBancoTeste() {
  if (!FImpl->FAnexo) return;
  try {
    // A test that left a connection open must not leave the file behind.
    Executar("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    TStatus status;
    FImpl->FAnexo->dropDatabase(&status);
    FImpl->FAnexo = nullptr;  // released by a successful drop
  } catch (const std::exception& e) {
    std::fprintf(stderr, "TBancoTeste: cannot drop %s: %s\n", FCaminho.c_str(), e.what());
  } catch (const Firebird::FbException& e) {
    std::fprintf(stderr, "TBancoTeste: cannot drop %s: %s\n", FCaminho.c_str(), Texto(e).c_str());
  }
}

void TBancoTeste::Executar(const std::string& ASql) {
  try {
    TStatus status;
    Firebird::ITransaction* transacao = FImpl->FAnexo->startTransaction(&status, 0, nullptr);
    try {
      FImpl->FAnexo->execute(&status, transacao, 0, ASql.c_str(), SQL_DIALECT_V6, nullptr, nullptr,
                             nullptr, nullptr);
      transacao->commit(&status);
    } catch (...) {
      try {
        TStatus outro;
        transacao->rollback(&outro);
      } catch (const Firebird::FbException&) {
        transacao->release();
      }
      throw;
    }
  } catch (const Firebird::FbException& e) {
    throw std::runtime_error(Texto(e) + "\nin: " + ASql);
  }
}

void TBancoTeste::GravarDefinicao(const std::string& AArquivoIni,
                                  const std::string& AServidor) const {
  GravarArquivo(AArquivoIni, "[Borvan]\nDriverID=FB\nServer=" + AServidor +
                                 "\nDatabase=" + FCaminho + "\nCharacterSet=UTF8\n");
}

}  // namespace borvan::teste

// libfbclient keeps, for the life of the process, the big numbers of its
// first SRP login and its character-set converters; LeakSanitizer reports
// them at exit in every test that connects. Nothing else is excused.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtommath.so\n"
         "leak:iconv_open\n";
}
