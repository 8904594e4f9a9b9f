#include "process/selection.h"

#include <unordered_set>

#include "startup/path_macros.h"
#include "startup/tools.h"

namespace process {

void MarkSelectedFiles(startup::SetupDataModel& model) {
  // One set of the chosen FileIDs keeps this linear in the table sizes.
  std::unordered_set<int32_t> chosen;
  for (const startup::TGroup& g : model.TGroups)
    if (g.Selected) chosen.insert(g.Group.begin(), g.Group.end());
  for (startup::FileItem& f : model.FilesData) f.Selected = chosen.count(f.FileID) != 0;
}

bool IsMemberSelected(const startup::SetupDataModel& model, const std::string& name) {
  const auto index = model.FindFileItem(name, true);
  return index && model.FilesData[*index].Selected;
}

int32_t NumberOrZero(std::string_view text) { return startup::ParseScriptInteger(text).value_or(0); }

std::string TargetPath(const startup::FileItem& item) { return item.TargetDir.str() + item.TargetName.str(); }

std::string ResolveFileNumber(startup::SetupContext& ctx, std::string_view text) {
  const int32_t id = NumberOrZero(text);
  for (const startup::FileItem& f : ctx.model.FilesData) {
    if (f.FileID == id)
      return startup::ExpandPathMacros(startup::MacroEnvironment{ctx.model, ctx.os}, TargetPath(f));
  }
  return {};
}

}  // namespace process
