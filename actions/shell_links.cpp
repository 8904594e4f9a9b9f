#include "actions/shell_links.h"

#include <vector>

#include "startup/tools.h"

namespace actions {

namespace {

// The special folder's path normalised, followed by the subfolder.
platform::Result<std::string> FolderPath(startup::SetupContext& ctx, int csidl, const std::string& subFolder) {
  auto special = ctx.os.shell().specialFolder(csidl);
  if (!special) return special.status();
  return startup::NormalizeDir(*special) + subFolder;
}

// Creates every missing level of `dir` (a full path with a drive), each
// appended to `created`; the status of the first level that fails.
platform::Status CreateLevels(platform::FileSystem& fs, const std::string& dir, std::vector<std::string>& created) {
  std::string level;
  size_t pos = 0;
  while (pos < dir.size()) {
    size_t end = dir.find('\\', pos);
    if (end == std::string::npos) end = dir.size();
    level = dir.substr(0, end);
    if (end > pos && !fs.directoryExists(level)) {
      if (platform::Status made = fs.createDirectory(level); !made) return made;
      created.push_back(level);
    }
    pos = end + 1;
  }
  return {};
}

}  // namespace

bool ShellFolderExists(startup::SetupContext& ctx, int csidl, const std::string& subFolder) {
  auto dir = FolderPath(ctx, csidl, subFolder);
  return dir && ctx.os.files().directoryExists(*dir);
}

platform::Result<std::string> CreateShellFolder(startup::SetupContext& ctx, int csidl, const std::string& subFolder) {
  auto dir = FolderPath(ctx, csidl, subFolder);
  if (!dir) return dir.status();
  // Every level this makes is recorded, parents first, so the rollback
  // (last first) leaves no emptied parent behind; the caller logs them for
  // the uninstaller likewise.
  std::vector<std::string> created;
  const platform::Status made = CreateLevels(ctx.os.files(), *dir, created);
  for (std::string& level : created) ctx.lists.CreatedShellFolders.push_back(std::move(level));
  if (!made) return made;
  return dir;
}

platform::Result<std::string> CreateShellLink(startup::SetupContext& ctx, int csidl, const std::string& subFolder,
                                              const LinkFields& link) {
  auto folder = FolderPath(ctx, csidl, "");
  if (!folder) return folder.status();

  platform::ShellLink value;
  value.target = link.target;
  if (!startup::IsBlank(link.arguments)) value.arguments = link.arguments;
  if (!startup::IsBlank(link.description)) value.description = link.description;
  if (!startup::IsBlank(link.workingDirectory)) value.workingDirectory = link.workingDirectory;
  if (!startup::IsBlank(link.iconFile)) {
    value.iconPath = link.iconFile;
    value.iconIndex = link.iconIndex;
  }

  std::string dir = *folder + subFolder;
  if (!subFolder.empty() && subFolder.back() != '\\') dir += '\\';
  platform::FileSystem& fs = ctx.os.files();
  if (!fs.directoryExists(dir)) {
    // Normally the folder step made it; levels made here are recorded the
    // same way so the rollback can take them away again.
    std::vector<std::string> created;
    const platform::Status made = CreateLevels(fs, dir, created);
    for (std::string& level : created) ctx.lists.CreatedShellFolders.push_back(std::move(level));
    if (!made) return made;
  }

  const std::string linkPath = dir + link.description + ".lnk";
  // A link of that name that was there before is overwritten, but it is not
  // the run's own: the rollback must not delete it.
  const bool existed = fs.exists(linkPath);
  if (platform::Status saved = ctx.os.shell().saveLink(linkPath, value); !saved) return saved;
  if (!existed) ctx.lists.CreatedLinks.push_back(linkPath);
  return linkPath;
}

}  // namespace actions
