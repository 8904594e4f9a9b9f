#pragma once
// The package members' way to their file table entries. A package of n
// members against a table of m entries is looked up in O(n + m) instead of
// the table walk per member, with the same answers as
// SetupDataModel::FindFileItem by archive name: the name part of the member
// name, compared without regard to case, first entry in table order wins.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "startup/model.h"

namespace archive {

// The text after the last backslash or colon (the whole text without one).
std::string_view NamePart(std::string_view name);

class MemberIndex {
 public:
  explicit MemberIndex(const std::vector<startup::FileItem>& files);
  // The first FileItem whose ArchiveName equals the name part of `name`.
  std::optional<size_t> find(std::string_view name) const;

 private:
  std::unordered_map<std::string, size_t> first_;  // upper-cased ArchiveName -> index
};

}  // namespace archive
