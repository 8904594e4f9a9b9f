#pragma once
// Windows path rules for the in-memory machine: drive letters, either slash,
// "." and "..", doubled separators, names compared without case.

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace platform::sim {

// Native error codes the simulation reports, as Windows does.
namespace native {
constexpr uint32_t fileNotFound = 2;
constexpr uint32_t pathNotFound = 3;
constexpr uint32_t accessDenied = 5;
constexpr uint32_t notSameDevice = 17;
constexpr uint32_t sharingViolation = 32;
constexpr uint32_t fileExists = 80;
constexpr uint32_t invalidParameter = 87;
constexpr uint32_t diskFull = 112;
constexpr uint32_t invalidName = 123;
constexpr uint32_t modNotFound = 126;
constexpr uint32_t procNotFound = 127;
constexpr uint32_t dirNotEmpty = 145;
constexpr uint32_t badPathname = 161;
constexpr uint32_t alreadyExists = 183;
constexpr uint32_t badExeFormat = 193;
constexpr uint32_t directoryName = 267;
constexpr uint32_t keyDeleted = 1018;
constexpr uint32_t typeLibraryDamaged = 0x80029C4A;  // TYPE_E_CANTLOADLIBRARY
}  // namespace native

// An absolute path: drive letter (upper case) and the names below the root,
// with "." and ".." resolved. The names keep the case they were given in.
struct PathParts {
  char drive = 'C';
  std::vector<std::string> names;
  std::string text() const;  // "C:\a\b", "C:\" for the root
};

// Parses `path`, relative ones against `currentDirectory` (an absolute
// path). Trailing dots and spaces of names are dropped as Windows does.
// invalidArgument for characters Windows refuses in names; pathNotFound for
// forms the machine does not have (UNC names, an empty path).
Result<PathParts> parsePath(std::string_view path, std::string_view currentDirectory);

// Upper-case 1251 form used as the comparison key of a name.
std::string foldName(std::string_view name);

// Whether a name matches a pattern of "*" and "?", without regard to case,
// with the DOS forms "*.*" (everything) and a trailing ".*" that also matches
// a name without extension.
bool matchesPattern(std::string_view name, std::string_view pattern);

// Whether a name is already a valid 8.3 name.
bool isShortName(std::string_view name);
// The 8.3 alias of a long name with the given number: "PROGRA~1".
std::string makeShortName(std::string_view name, int number);

}  // namespace platform::sim
