#include "archive/member_index.h"

#include "text/codepage.h"

namespace archive {

std::string_view NamePart(std::string_view name) {
  const size_t cut = name.find_last_of("\\:");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

MemberIndex::MemberIndex(const std::vector<startup::FileItem>& files) {
  first_.reserve(files.size());
  // emplace keeps the first entry of a name: the table walk's first match.
  for (size_t i = 0; i < files.size(); ++i) first_.emplace(text::upper1251(files[i].ArchiveName.str()), i);
}

std::optional<size_t> MemberIndex::find(std::string_view name) const {
  const auto it = first_.find(text::upper1251(NamePart(name)));
  if (it == first_.end()) return std::nullopt;
  return it->second;
}

}  // namespace archive
