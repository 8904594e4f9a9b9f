#include "actions/run_libs.h"

#include <span>

#include "archive/extract_all.h"
#include "startup/tools.h"

namespace actions {

namespace {

// The run program's command line lives in a buffer of 256 bytes.
constexpr size_t kMaxCommandLine = 255;

// Removes a directory with everything in it: files first (read-only ones
// made writable), then subdirectories, then the directory itself. Failures
// are ignored; what cannot go stays.
void RemoveWorkDirectory(platform::FileSystem& fs, const std::string& dir) {
  auto entries = fs.list(dir, "*");
  if (entries) {
    for (const platform::DirEntry& e : *entries) {
      if (e.info.isDirectory()) continue;
      const std::string path = dir + "\\" + e.name;
      if (e.info.attributes & platform::attr::readOnly)
        fs.setAttributes(path, e.info.attributes & ~platform::attr::readOnly);
      fs.removeFile(path);
    }
    for (const platform::DirEntry& e : *entries)
      if (e.info.isDirectory()) RemoveWorkDirectory(fs, dir + "\\" + e.name);
  }
  fs.removeDirectory(dir);
}

// The gate library's answer: run unless a gate exists; with a gate, run
// exactly when its "ShouldBe" returns 1. A gate that cannot be loaded or
// lacks the entry skips the run file.
bool GateSaysRun(platform::Platform& os, const std::string& workDir) {
  const std::string gate = startup::NormalizeDir(workDir) + "Should.Dll";
  if (!os.files().fileExists(gate)) return true;
  auto library = os.libraries().load(gate);
  if (!library) return false;
  const platform::CallArg arg{startup::NormalizeDir(workDir)};
  auto answer = (*library)->call("ShouldBe", std::span<const platform::CallArg>(&arg, 1));
  return answer.ok() && *answer == 1;
}

bool RunProgram(platform::Platform& os, const startup::RunLibItem& item, const std::string& workDir) {
  platform::ProcessStart start;
  start.commandLine = workDir + "\\" + item.RunName.str();
  // A longer command line would be cut in the buffer and start something
  // else, or nothing: count it as the run file failing.
  if (start.commandLine.size() > kMaxCommandLine) return false;
  start.workingDirectory = workDir;
  start.creationFlags = platform::creation::defaultErrorMode | platform::creation::normalPriorityClass;
  auto code = os.processes().startAndWait(start);
  if (!code) return false;
  const uint32_t low = static_cast<uint32_t>(item.MinExitCode);
  const uint32_t high = static_cast<uint32_t>(item.MaxExitCode);
  return low <= *code && *code <= high;
}

bool CallInstall(platform::Platform& os, const startup::RunLibItem& item, const std::string& workDir) {
  auto library = os.libraries().load(workDir + "\\" + item.RunName.str());
  if (!library) return false;
  const platform::CallArg arg{workDir};
  auto result = (*library)->call("Install", std::span<const platform::CallArg>(&arg, 1));
  // A Boolean result: only its low byte counts.
  return result.ok() && (*result & 0xFFu) != 0;
}

}  // namespace

bool RunLibs(startup::SetupContext& ctx, RunEnd& end) {
  platform::Platform& os = ctx.os;
  // The reporter releases the tables, so each item is copied before it runs.
  const std::vector<startup::RunLibItem> items = ctx.model.TRuns;
  const std::string workDir = ctx.model.RunLibWorkDir;
  for (const startup::RunLibItem& item : items) {
    const std::string pack = ctx.model.SourceDir + item.Pack.str();
    if (!os.files().fileExists(pack)) {
      ReportActionError(ctx, end, aeLibraryMissing, pack);
      return false;
    }
    os.files().createDirectory(workDir);  // an existing one is reused
    const archive::ExtractAllResult extracted =
        archive::ExtractAll(os.files(), pack, workDir, ctx.model.ArchivePassword, nullptr);
    if (extracted.outcome == archive::ExtractOutcome::cannotOpen) {
      ReportActionError(ctx, end, aeMessage, kOpenArchiveFailed);
      RemoveWorkDirectory(os.files(), workDir);
      return false;
    }
    // A pack that did not come out whole (a damaged member, another
    // password, a name that would leave the work directory) is not run:
    // its gate or its run file may be the part that is missing.
    bool ok = extracted.ok();
    if (ok && GateSaysRun(os, workDir)) ok = item.IsExe ? RunProgram(os, item, workDir) : CallInstall(os, item, workDir);
    if (!ok) {
      ReportActionError(ctx, end, aeLibraryFailed, pack);
      RemoveWorkDirectory(os.files(), workDir);
      return false;
    }
    RemoveWorkDirectory(os.files(), workDir);
  }
  return true;
}

}  // namespace actions
