#pragma once
// Whole-archive extraction into a directory. Members whose names would land
// outside the directory are refused and reported; links are reported and
// never created; every other member is extracted, the rest go on after a
// member fails.

#include <functional>
#include <string>
#include <vector>

#include "rar/io/streams.h"
#include "rar/read/archive.h"

namespace rar {

struct ExtractProblem {
  std::string member;
  Status status;
};

struct ExtractReport {
  unsigned files = 0;
  unsigned directories = 0;
  unsigned linksNotCreated = 0;
  std::vector<ExtractProblem> problems;  // refused names and failed members
};

// `onMember` is told about each member before it is processed.
// The result is the first failure (a member's or the archive's), or success.
Status extractAll(Archive& archive, FileSystem& fs, const std::string& destination, ExtractReport& report,
                  const std::function<void(const MemberInfo&)>& onMember = {});

}  // namespace rar
