#include "actions/directories.h"

#include <algorithm>
#include <vector>

#include "startup/path_macros.h"
#include "startup/uninstall_lines.h"
#include "text/codepage.h"

namespace actions {

namespace {

bool IsNetworkPath(const std::string& path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

// Start and end of each backslash-separated piece; empty pieces (doubled,
// leading or trailing backslashes) are left out.
struct Piece {
  size_t begin;
  size_t end;
};

std::vector<Piece> Pieces(const std::string& path) {
  std::vector<Piece> pieces;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) pieces.push_back({pos, end});
    pos = end + 1;
  }
  return pieces;
}

// The levels on the way to `path`: "C:", "C:\A", "C:\A\B" for C:\A\B. A
// network path starts at its share ("\\server\share"), which the steps
// never create; its pieces alone would name directories relative to the
// current one.
std::vector<std::string> Levels(const std::string& path) {
  const std::vector<Piece> pieces = Pieces(path);
  std::vector<std::string> levels;
  size_t first = 0;
  std::string level;
  if (IsNetworkPath(path)) {
    if (pieces.size() < 2) return levels;
    level = "\\\\" + path.substr(pieces[0].begin, pieces[0].end - pieces[0].begin) + "\\" +
            path.substr(pieces[1].begin, pieces[1].end - pieces[1].begin);
    levels.push_back(level);
    first = 2;
  }
  for (size_t i = first; i < pieces.size(); ++i) {
    if (!level.empty()) level += '\\';
    level += path.substr(pieces[i].begin, pieces[i].end - pieces[i].begin);
    levels.push_back(level);
  }
  return levels;
}

bool LessNoCase(const std::string& a, const std::string& b) { return text::upper1251(a) < text::upper1251(b); }

}  // namespace

bool CreateTargetDirectories(startup::SetupContext& ctx, RunEnd& end) {
  if (ctx.model.Dirs.empty()) return true;
  std::vector<std::string> dirs;
  dirs.reserve(ctx.model.Dirs.size());
  for (const startup::DirEntry& entry : ctx.model.Dirs) dirs.push_back(entry.Dir);
  // A directory sorts before the directories inside it.
  std::stable_sort(dirs.begin(), dirs.end(), LessNoCase);
  platform::FileSystem& fs = ctx.os.files();
  for (const std::string& dir : dirs) {
    if (startup::IsUnresolvedPath(dir) || fs.directoryExists(dir)) continue;
    if (ParentDirExists(ctx, dir)) {
      ctx.lists.UninstallLines.push_back(startup::log::kDir + dir);
      if (!fs.createDirectory(dir)) {
        ReportActionError(ctx, end, aeCreateDir, dir);
        return false;
      }
      ctx.lists.CreatedDirs.push_back(dir);
    } else if (!CreateDirectoryChain(ctx, end, dir, true)) {
      return false;
    }
  }
  // The engine's directory gets its missing levels here only when more than
  // the directory itself is missing; the placement creates a lone last level.
  const std::string engineDir = ctx.model.DatabaseEngineDir;
  if (ctx.run.has(startup::eaInstallFiles) && !ParentDirExists(ctx, engineDir) &&
      !CreateDirectoryChain(ctx, end, engineDir, false))
    return false;
  ctx.window.include(startup::afDirectories);
  return true;
}

bool CreateDirectoryChain(startup::SetupContext& ctx, RunEnd& end, const std::string& path, bool log) {
  platform::FileSystem& fs = ctx.os.files();
  // The levels come out in order already: each precedes its extensions.
  for (const std::string& level : Levels(path)) {
    if (fs.directoryExists(level)) continue;
    if (log) ctx.lists.UninstallLines.push_back(startup::log::kDir + level);
    if (!fs.createDirectory(level)) {
      ReportActionError(ctx, end, aeCreateDir, level);
      return false;
    }
    ctx.lists.CreatedDirs.push_back(level);
  }
  return true;
}

bool ParentDirExists(startup::SetupContext& ctx, const std::string& path) {
  const std::vector<Piece> pieces = Pieces(path);
  if (pieces.size() < 2) return false;
  // The parent ends with the backslash just before the last piece.
  return ctx.os.files().directoryExists(path.substr(0, pieces.back().begin));
}

void KillTree(startup::SetupContext& ctx, const std::string& path) {
  platform::FileSystem& fs = ctx.os.files();
  std::string current = path;
  for (;;) {
    if (!fs.removeDirectory(current)) return;
    const std::vector<Piece> pieces = Pieces(current);
    if (pieces.empty()) return;
    // C:\A\B becomes C:\A; C:\A becomes C:, which cannot be removed.
    size_t cut = pieces.back().begin;
    if (cut == 0) return;
    current.resize(cut - 1);
  }
}

bool RebootWindows(startup::SetupContext& ctx) {
  platform::System& system = ctx.os.system();
  if (ctx.model.OsKind == startup::okNT) {
    // Without the privilege Windows may still accept the request (or says
    // no, which the caller ignores); the restart is asked for either way.
    const platform::Status privilege = system.enableShutdownPrivilege();
    static_cast<void>(privilege);
  }
  return system.requestRestart().ok();
}

}  // namespace actions
