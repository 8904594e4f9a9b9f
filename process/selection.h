#pragma once
// Which files the run installs, and the file numbers the script uses in
// place of paths (RunFile, ReadmeFile).

#include <cstdint>
#include <string>
#include <string_view>

#include "startup/context.h"

namespace process {

// Selected of every FileItem := some selected group lists its FileID.
void MarkSelectedFiles(startup::SetupDataModel& model);

// Selected of the FileItem that FindFileItem finds for `name` by archive
// name; false when no entry names it.
bool IsMemberSelected(const startup::SetupDataModel& model, const std::string& name);

// TargetDir + TargetName of the first FileItem whose FileID is the number
// in `text`, with its path macros expanded; empty when there is none.
std::string ResolveFileNumber(startup::SetupContext& ctx, std::string_view text);

// A number the script or the registry holds as text; anything that is not
// one counts as 0.
int32_t NumberOrZero(std::string_view text);

// The FileItem's full target path (TargetDir already ends in a backslash
// once the paths are prepared).
std::string TargetPath(const startup::FileItem& item);

}  // namespace process
