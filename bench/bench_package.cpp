// Package extraction benchmark (not a test): a package of many small
// members placed by the engine on the simulated machine (file table lookup,
// placement rules, uninstall record, progress and message callbacks)
// against plain extraction of the same archive onto the same kind of
// machine. Both are measured in CPU time (user + system) in one run; the
// ratio is the engine's cost per member over the archive library's.
//
//   bench_package [--runs N] [members...]      (default: 10000 100000)
//
// Output: one tab-separated line per size:
//   members <n> <plain seconds> <engine seconds> <engine/plain>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "actions/report_action_error.h"
#include "archive/package.h"
#include "archive/platform_streams.h"
#include "platform/sim/machine.h"
#include "rar/read/archive.h"
#include "rar/write/writer.h"
#include "startup/context.h"

namespace {

double cpuNow() {
  rusage u{};
  if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
  auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

std::string MemberName(size_t i) { return "f" + std::to_string(i) + ".dat"; }

// The package's bytes: `n` members of 64 to 191 bytes.
std::string BuildPackage(size_t n) {
  platform::sim::Machine m;
  archive::PlatformArchiveFiles fs(m.files());
  auto w = rar::Writer::create(fs, "C:\\data.000");
  if (!w.ok()) std::abort();
  for (size_t i = 0; i < n; ++i) {
    const std::string data(64 + i % 128, static_cast<char>('a' + i % 26));
    if (!(*w)->addBytes("files/" + MemberName(i), data).ok()) std::abort();
  }
  if (!(*w)->finish().ok()) std::abort();
  return m.fileContent("C:\\data.000").value();
}

class QuietUi : public startup::MessageUi {
 public:
  int showMessage(const std::string&, startup::MessageKind) override { return startup::mrOk; }
  startup::Cursor cursor() const override { return startup::Cursor::wait; }
  void setCursor(startup::Cursor) override {}
};

class CountingPackageUi : public archive::PackageUi {
 public:
  void setFileCaption(const std::string& text) override { last = text; }
  void setFileProgress(int position, int) override { file = position; }
  void setOverallProgress(int position, int) override { overall = position; }
  void processMessages() override { ++rounds; }
  int askOverwrite(std::size_t, std::size_t) override { return 2; }
  std::optional<std::string> askForVolume(const std::string&) override { return std::nullopt; }
  std::string last;
  int file = 0, overall = 0;
  long rounds = 0;
};

class FailingRunEnd : public actions::RunEnd {
 public:
  void ShowFatalError(const std::string& text) override { std::fprintf(stderr, "fatal: %s\n", text.c_str()); }
  void RollBack(startup::SetupContext&) override {}
  void Terminate() override {}
};

// Plain extraction: every member to C:\Plain\ under its name.
double Plain(const std::string& package) {
  platform::sim::Machine m;
  if (!m.addFile("C:\\Setup\\data.000", package).ok() || !m.addDirectory("C:\\Plain").ok()) std::abort();
  archive::PlatformArchiveFiles fs(m.files());
  const double start = cpuNow();
  auto a = rar::Archive::open(fs, "C:\\Setup\\data.000");
  if (!a.ok()) std::abort();
  for (;;) {
    auto next = (*a)->readHeader();
    if (!next.ok()) std::abort();
    if (!*next) break;
    const std::string& name = (*a)->member().name;
    if (!(*a)->extractToFile("C:\\Plain\\" + name.substr(name.rfind('/') + 1)).ok()) std::abort();
  }
  return cpuNow() - start;
}

// The engine's run: every member named by the file table, selected, logged.
double Engine(const std::string& package, size_t n) {
  platform::sim::Machine m;
  QuietUi messages;
  startup::SetupContext ctx(m, messages);
  if (!m.addFile("C:\\Setup\\data.000", package).ok() || !m.addDirectory("C:\\App").ok()) std::abort();
  ctx.model.SourceDir = "C:\\Setup\\";
  startup::TGroup g;
  g.Selected = true;
  ctx.model.TGroups.push_back(g);
  ctx.model.FilesData.resize(n);
  for (size_t i = 0; i < n; ++i) {
    startup::FileItem& f = ctx.model.FilesData[i];
    f.FileID = static_cast<int32_t>(i + 1);
    f.ArchiveName = f.TargetName = MemberName(i);
    f.TargetDir = "C:\\App\\";
    f.UninstallLogged = true;
    f.Selected = true;
  }
  CountingPackageUi ui;
  FailingRunEnd end;
  const double start = cpuNow();
  if (!archive::ExtractPackage(ctx, ui, end) || ctx.lists.PlacedFiles.size() != n) std::abort();
  return cpuNow() - start;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      sizes.push_back(static_cast<size_t>(std::strtoull(argv[i], nullptr, 10)));
    }
  }
  if (sizes.empty()) sizes = {10000, 100000};
  std::printf("members\tplain_s\tengine_s\tengine/plain\n");
  for (size_t n : sizes) {
    const std::string package = BuildPackage(n);
    double plain = 0, engine = 0;
    for (int r = 0; r < runs; ++r) {
      plain += Plain(package);
      engine += Engine(package, n);
    }
    std::printf("%zu\t%.4f\t%.4f\t%.2f\n", n, plain / runs, engine / runs, engine / plain);
    std::fflush(stdout);
  }
  return 0;
}
