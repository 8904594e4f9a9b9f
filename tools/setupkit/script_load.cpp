#include "tools/setupkit/script_load.h"

#include "startup/script_reader.h"
#include "startup/tools.h"

namespace setupkit {

namespace {
// Where the script lies on the simulated machine that the reader and the
// macro expander work on.
constexpr const char kScriptDir[] = "C:\\SETUPTMP";
constexpr const char kScriptPath[] = "C:\\SETUPTMP\\Install.Ini";
}  // namespace

int CollectedMessages::showMessage(const std::string& text, startup::MessageKind kind) {
  messages.push_back({kind, text});
  return startup::mrOk;
}

LoadedScript::LoadedScript(const std::string& data) : ctx_(machine_, messages_), data_(data) {
  ctx_.model.WindowsDir = startup::NormalizeDir(machine_.system().windowsDirectory());
  ctx_.model.SystemDir = startup::NormalizeDir(machine_.system().systemDirectory());
  if (!machine_.files().directoryExists(kScriptDir)) (void)machine_.files().createDirectory(kScriptDir);
  if (auto s = platform::writeWholeFile(machine_.files(), kScriptPath, data); !s.ok()) {
    messages_.messages.push_back({startup::MessageKind::error, s.toString()});
    return;
  }
  ok_ = startup::ReadSetupScript(ctx_, kScriptPath).ok();
}

std::vector<LintFinding> LoadedScript::findings() {
  if (!ok_) return {};
  platform::ProfileReader raw(data_);
  return LintScript(ctx_, raw);
}

}  // namespace setupkit
