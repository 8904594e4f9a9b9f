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

// After a complete removal: the uninstaller's own file goes too, when it
// lives in a folder the installation created (a "Dir=" line names it; one
// shared by other packages, such as the Windows folder, keeps it), and then
// the folders of the log that are empty now. A running program cannot be
// deleted on Windows: it is removed at the next start, with its folder.
void RemoveUninstaller(startup::SetupContext& ctx, const std::string& uninstallerPath, const UninstallLog& log,
                       UndoReport& report);

}  // namespace uninstall
