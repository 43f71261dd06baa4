// The service's plain-text log "BorvanService.log" beside the executable.
#pragma once

#include <string>

namespace borvan {

// Stateless appender: every line opens the file (created when absent),
// takes an exclusive lock, appends "hh:mm:ss - LEVEL: text" + CR LF in
// UTF-8 and closes it again.
class TLog {
 public:
  // The log beside the executable (TAmbiente::Atual()).
  TLog() = default;

  void Info(const std::string& ATexto);
  void Warn(const std::string& ATexto);
  void Error(const std::string& ATexto);

  // Full path of the live log, derived anew at every call.
  std::string GetFullFileName() const;

 private:
  // Throws EBorvanErro naming the file and the system's reason when the
  // file cannot be opened, locked or written. The file is closed on
  // every path.
  void Escrever(const char* ANivel, const std::string& ATexto);
};

// Archives the live log as "BorvanService.old" (overwriting it) and deletes
// the live log when it holds at least 2,097,152 bytes; nothing when it is
// smaller or absent. Throws EBorvanErro when the copy or delete fails.
void RotacionarLog(const TLog& ALog);

}  // namespace borvan
