#pragma once
// The placement rules: whether a package member is placed and where, from
// its file table entry, its group's install mode, the existing target's
// version or date, the system and processor conditions, the hook and the
// user's overwrite answers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "archive/package_ui.h"
#include "platform/files.h"
#include "startup/context.h"

namespace archive {

// Operations on a member.
inline constexpr uint8_t kSkip = 0;
inline constexpr uint8_t kExtract = 2;

// A processor condition N (0: none) against the family F of ProcessorFamily:
// with L = N without its lowest bit, an even N needs F = L, an odd N F >= L.
bool CpuConditionHolds(int32_t condition, int32_t family);

// A system condition (0: none; 1: the hook; 95, 98, 99, 2000) for the
// member named `memberName` as the archive stores it.
bool OsConditionHolds(const startup::SetupContext& ctx, int32_t condition, const std::string& memberName);

// Whether the package's file, described by a FileItem Version, is newer
// than the file at `path`. "d" + n compares the packed date-time n with the
// file's age (-1 for a missing file); any other text is a version compared
// with the file's version resource, and a file without one is older.
bool PackageFileIsNewer(platform::FileSystem& files, const std::string& version, const std::string& path);

struct Decision {
  uint8_t op = kSkip;
  std::string directory;  // with its trailing backslash; empty when skipped
  std::string name;       // target file name; empty when skipped
  bool log = false;       // the placed file gets a "File=" line
};

// Decides the member whose FileItem is `item` (nothing: no entry names it).
// May ask the overwrite question, call the hook, set an empty Version to
// "d0", and append to SharedFileIndexes.
Decision DecideMember(startup::SetupContext& ctx, PackageUi& ui, std::optional<size_t> item,
                      const std::string& memberName);

}  // namespace archive
