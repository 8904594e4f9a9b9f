#pragma once
// The one way a fatal failure of an installation step ends the run: tell the
// user (unless they asked to break off), undo what the run changed, release
// the setup tables and ask the program to terminate.

#include <cstdint>
#include <string>

#include "startup/context.h"

namespace actions {

// The failure kinds; the number is what the messages refer to.
enum ActionError : uint8_t {
  aeCreateDir = 1,
  aeMessage = 2,
  aeLibraryMissing = 3,
  aeLibraryFailed = 4,
  aeCreateKey = 5,
  aeOpenKey = 6,
  aeWriteValue = 7,
  aeNoScript = 8,
};

inline constexpr const char kFatalErrorCaption[] = "Фатальная ошибка. Продолжение установки невозможно.";
inline constexpr const char kOpenArchiveFailed[] = "Ошибка открытия архива";

// The message shown for a kind and the caller's detail.
std::string ActionErrorText(uint8_t kind, const std::string& detail);

// What the reporter needs from the program around it. The wizard implements
// it with the real message box and the application's terminate request.
class RunEnd {
 public:
  virtual ~RunEnd() = default;
  // A modal box with kFatalErrorCaption, the stop icon and one OK button.
  virtual void ShowFatalError(const std::string& text) = 0;
  // Undoes the changes recorded so far. The rollback of a failed
  // installation plugs in here; until then nothing is undone.
  virtual void RollBack(startup::SetupContext& ctx) = 0;
  // Posts the terminate request: the message loop ends once the current
  // handler returns, and the close steps of the main window do not run.
  virtual void Terminate() = 0;
};

// Shows the message (not when BreakRequested is set), rolls back, releases
// the script tables and requests termination. The caller must do no further
// installation work afterwards.
void ReportActionError(startup::SetupContext& ctx, RunEnd& end, uint8_t kind, const std::string& detail);

}  // namespace actions
