// setupkit lint: reads a setup script with the engine's own reader, prints
// what the engine will make of it, and warns about likely mistakes.

#include <cstdio>

#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"
#include "tools/setupkit/lint.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/script_load.h"

namespace setupkit {

int runLint(const Args& args) {
  const std::string& path = args.positional.at(0);
  auto data = readHostFile(toPath(path));
  if (!data) {
    std::fprintf(stderr, "setupkit lint: cannot read %s\n", path.c_str());
    return 1;
  }
  LoadedScript script(*data);
  for (const auto& m : script.messages())
    std::fprintf(stderr, "%s: %s\n", m.kind == startup::MessageKind::error ? "error" : "message", shown(m.text).c_str());
  if (!script.ok()) {
    std::fprintf(stderr, "%s: the engine refuses this script\n", path.c_str());
    return 1;
  }
  std::printf("%s", shown(DescribeModel(script.model())).c_str());

  size_t warnings = 0;
  for (const auto& f : script.findings()) {
    bool warning = f.severity == LintFinding::Severity::warning;
    warnings += warning;
    std::printf("%s: %s: %s\n", warning ? "warning" : "note", shown(f.where).c_str(), shown(f.message).c_str());
  }
  std::printf("%s: %zu warning(s)\n", path.c_str(), warnings);
  return 0;
}

}  // namespace setupkit
