// setupkit simulate: the engine installs a medium on a simulated machine.

#include <cstdio>

#include "tools/setupkit/answers.h"
#include "tools/setupkit/commands.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/simulation.h"

namespace setupkit {

int runSimulate(const SimulateArgs& args) {
  SimulationRequest rq;
  rq.packageDir = toPath(args.packageDir);
  if (args.machineDir) rq.machineDir = toPath(*args.machineDir);
  if (args.outDir) rq.outDir = toPath(*args.outDir);
  rq.uninstall = args.uninstall;
  if (args.answersFile) {
    auto text = readHostFile(toPath(*args.answersFile));
    std::string error;
    if (!text) {
      std::fprintf(stderr, "setupkit simulate: %s: cannot be read\n", args.answersFile->c_str());
      return 2;
    }
    if (!ParseAnswers(*text, rq.answers, error)) {
      std::fprintf(stderr, "setupkit simulate: %s: %s\n", args.answersFile->c_str(), error.c_str());
      return 2;
    }
  }
  SimulationReport r = Simulate(rq);
  if (!r.error.empty() && r.happened.empty()) {
    std::fprintf(stderr, "setupkit simulate: %s\n", r.error.c_str());
    return 2;
  }
  std::printf("What happened:\n");
  for (const auto& l : r.happened) std::printf("  %s\n", l.c_str());
  std::printf("What changed:\n");
  if (r.changed.empty()) std::printf("  nothing\n");
  for (const auto& l : r.changed) std::printf("  %s\n", l.c_str());
  if (!r.error.empty()) {
    std::fprintf(stderr, "setupkit simulate: %s\n", r.error.c_str());
    return 2;
  }
  if (args.uninstall && r.installed) {
    std::printf("The uninstaller:\n");
    for (const auto& l : r.uninstalled) std::printf("  %s\n", l.c_str());
    std::printf("Left on the machine after the removal (against the machine before the installation):\n");
    if (r.leftAfterUninstall.empty()) std::printf("  nothing\n");
    for (const auto& l : r.leftAfterUninstall) std::printf("  %s\n", l.c_str());
  }
  if (args.outDir) std::printf("The machine after the run: %s\n", args.outDir->c_str());
  if (r.installed) {
    std::printf("Installed.\n");
    return 0;
  }
  std::printf("Not installed: %s\n", r.reason.c_str());
  return 1;
}

}  // namespace setupkit
