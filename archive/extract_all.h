#pragma once
// Whole-archive extraction: every member of an archive into one directory,
// keeping the members' relative paths. Used for the engine data archive and
// the RunLib packs.

#include <string>
#include <vector>

#include "platform/files.h"
#include "rar/status.h"

namespace archive {

enum class ExtractOutcome {
  ok,            // every member was extracted
  cannotOpen,    // the archive is missing or not a readable archive
  memberFailed,  // a member could not be extracted; the members after it were not tried
};

struct ExtractAllResult {
  ExtractOutcome outcome = ExtractOutcome::ok;
  std::string member;  // the failing member's name (code page 1251)
  rar::Status status;  // what the archive library said
  bool ok() const { return outcome == ExtractOutcome::ok; }
};

// A member's name as a relative Windows path in code page 1251, or
// Error::unsafePath when it would land outside the destination or on a
// device (the archive library's rule: absolute, a drive, a colon, "..",
// CON, LPT1 ...).
rar::Result<std::string> SafeMemberPath(const std::string& utf8Name);

// Extracts every member of `archivePath` below `destination`. Encrypted
// members are opened with `password` (8-bit, as the engine holds it; empty
// for none). `extracted`, when given, receives destination (with a trailing
// backslash) + the member's path for every member, before it is written, so
// a partly written file is cleaned up with the rest.
ExtractAllResult ExtractAll(platform::FileSystem& fs, const std::string& archivePath, const std::string& destination,
                            const std::string& password, std::vector<std::string>* extracted);

}  // namespace archive
