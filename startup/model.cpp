#include "startup/model.h"

#include "text/codepage.h"

namespace startup {

void SetupDataModel::ReleaseScriptTables() {
  Dirs.clear();
  TGroups.clear();
  FilesData.clear();
  TSetups.clear();
  TRuns.clear();
  RegData.clear();
  RemoveFiles.clear();
  ShellLinks.clear();
  OCX.clear();
}

std::optional<size_t> SetupDataModel::FindFileItem(const std::string& name, bool byArchiveName) const {
  size_t cut = name.find_last_of("\\:");
  std::string_view part = cut == std::string::npos ? std::string_view(name) : std::string_view(name).substr(cut + 1);
  for (size_t i = 0; i < FilesData.size(); ++i) {
    const String255& candidate = byArchiveName ? FilesData[i].ArchiveName : FilesData[i].TargetName;
    if (text::equalsNoCase1251(candidate.str(), part)) return i;
  }
  return std::nullopt;
}

}  // namespace startup
