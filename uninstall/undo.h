#pragma once
// Undoing an installation from its log: every line, newest first, with
// what the conventions keep (shared files still counted by others, values
// restored to their former content).

#include <string>
#include <vector>

#include "startup/context.h"
#include "uninstall/uninstall_log.h"

namespace uninstall {

class UndoUi {
 public:
  virtual ~UndoUi() = default;
  // One step of `total` done; `what` names it (a file, a key ...).
  virtual void progress(size_t done, size_t total, const std::string& what) = 0;
  // A shared file's count has reached zero: may it be removed?
  virtual bool askRemoveSharedFile(const std::string& path) = 0;
  // The database engine's use count has reached zero: may it be removed?
  virtual bool askRemoveEngine() = 0;
};

struct UndoReport {
  std::vector<std::string> problems;   // what could not be undone, one text each
  std::vector<std::string> scheduled;  // files left for removal at the next start
  size_t undone = 0;                   // lines carried out
  bool alreadyRemoved = false;         // the installation was removed before; nothing was touched
  bool logRemoved = false;
};

// Undoes `log`, read from `logPath`. When everything is undone the log is
// deleted; otherwise it is rewritten to hold only the lines that are left,
// so a second run retries those and repeats nothing.
UndoReport UndoInstallation(startup::SetupContext& ctx, const std::string& logPath, const UninstallLog& log,
                            UndoUi& ui);

}  // namespace uninstall
