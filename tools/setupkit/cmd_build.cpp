// setupkit build: a distribution medium from a package folder.

#include <cinttypes>
#include <cstdio>

#include "tools/setupkit/commands.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/package_builder.h"

namespace setupkit {

int runBuild(const BuildArgs& args) {
  BuildRequest rq;
  rq.source = toPath(args.sourceDir);
  rq.out = toPath(args.outDir);
  rq.volumeSize = args.volumeSize;
  rq.disks = args.disks;
  rq.force = args.force;
  if (args.setupExe) rq.setupExe = toPath(*args.setupExe);
  if (args.uninstaller) rq.uninstaller = toPath(*args.uninstaller);
  if (args.signCert) rq.signCert = toPath(*args.signCert);
  if (args.signPasswordFile) rq.signPasswordFile = toPath(*args.signPasswordFile);

  BuildReport report = BuildPackage(rq);
  for (const auto& w : report.warnings) std::fprintf(stderr, "warning: %s: %s\n", w.file.c_str(), w.reason.c_str());
  if (!report.ok()) {
    for (const auto& p : report.problems) std::fprintf(stderr, "setupkit build: %s: %s\n", p.file.c_str(), p.reason.c_str());
    std::fprintf(stderr, "setupkit build: nothing written to %s\n", args.outDir.c_str());
    return 1;
  }
  std::printf("%s:\n", args.outDir.c_str());
  for (const auto& w : report.written)
    std::printf("  %-24s %12" PRIu64 "  %s\n", w.path.c_str(), w.size, w.what.c_str());
  if (!args.setupExe) std::printf("setup.exe not given (--setup-exe): copy the engine beside install.dat\n");
  std::printf("members are stored, not compressed\n");
  return 0;
}

}  // namespace setupkit
