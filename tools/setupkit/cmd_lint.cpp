// setupkit lint: reads a setup script with the engine's own reader, prints
// what the engine will make of it, and warns about likely mistakes.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/sim/machine.h"
#include "startup/script_reader.h"
#include "startup/tools.h"
#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"
#include "tools/setupkit/lint.h"

namespace setupkit {
namespace {

// Where the script is placed on the simulated machine that the reader and
// the macro expander work on.
constexpr const char kScriptDir[] = "C:\\SETUPTMP";
constexpr const char kScriptPath[] = "C:\\SETUPTMP\\Install.Ini";

// Messages the reader would show in a dialog go to the console.
class ConsoleMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string& text, startup::MessageKind kind) override {
    std::fprintf(stderr, "%s: %s\n", kind == startup::MessageKind::error ? "error" : "message", shown(text).c_str());
    return startup::mrOk;
  }
  startup::Cursor cursor() const override { return startup::Cursor::arrow; }
  void setCursor(startup::Cursor) override {}
};

bool readFile(const std::string& path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int runLint(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: setupkit lint PATH/Install.Ini\n");
    return 2;
  }
  const std::string& path = args[0];
  std::string data;
  if (!readFile(path, data)) {
    std::fprintf(stderr, "setupkit lint: cannot read %s\n", path.c_str());
    return 1;
  }

  platform::sim::Machine machine;
  ConsoleMessages messages;
  startup::SetupContext ctx(machine, messages);
  ctx.model.WindowsDir = startup::NormalizeDir(machine.system().windowsDirectory());
  ctx.model.SystemDir = startup::NormalizeDir(machine.system().systemDirectory());
  if (!machine.files().directoryExists(kScriptDir)) (void)machine.files().createDirectory(kScriptDir);
  if (auto s = platform::writeWholeFile(machine.files(), kScriptPath, data); !s.ok()) {
    std::fprintf(stderr, "setupkit lint: %s\n", s.toString().c_str());
    return 1;
  }

  auto result = startup::ReadSetupScript(ctx, kScriptPath);
  if (!result.ok()) {
    std::fprintf(stderr, "%s: the engine refuses this script\n", path.c_str());
    return 1;
  }
  std::printf("%s", shown(DescribeModel(ctx.model)).c_str());

  platform::ProfileReader raw(data);
  auto findings = LintScript(ctx, raw);
  size_t warnings = 0;
  for (const auto& f : findings) {
    bool warning = f.severity == LintFinding::Severity::warning;
    warnings += warning;
    std::printf("%s: %s: %s\n", warning ? "warning" : "note", shown(f.where).c_str(), shown(f.message).c_str());
  }
  std::printf("%s: %zu warning(s)\n", path.c_str(), warnings);
  return 0;
}

}  // namespace setupkit
