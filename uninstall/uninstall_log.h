#pragma once
// Reading an uninstall log back: the format line, the package title, and
// every later line sorted by its kind. The kinds are the engine's own
// (startup/uninstall_lines.h), so what the engine writes is what is read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace uninstall {

enum class LineKind {
  dir,
  file,
  sharedIncrement,
  regOpenKey,
  regCreateKey,
  regOldValue,
  regWriteValue,
  useBde,
  regEntry,
  shellFolder,
  shellLink,
  ocx,
  tlb,
  failedRegistration,  // "Error (OCX=..." / "Error (TLB=...": nothing was registered
  unknown,
};

struct LogLine {
  LineKind kind = LineKind::unknown;
  std::string text;    // the whole line as written
  std::string value;   // the text after the kind's prefix
  size_t number = 0;   // 1-based line number in the file
};

struct UninstallLog {
  std::string title;  // line 2
  std::vector<LogLine> lines;  // lines 3 and later
};

struct ReadLogResult {
  std::optional<UninstallLog> log;
  std::string error;  // why the file was refused (1251 text)
};

// Parses the log file's bytes (code page 1251, CR LF or LF line ends).
// Refuses a file whose first line is not the version-2 format line.
ReadLogResult ParseUninstallLog(const std::string& bytes);

// "key path,root" of a RegOpenKey/RegCreateKey line: the root is the number
// after the last comma.
struct KeyLine {
  platform::Root root = platform::Root::localMachine;
  std::string path;
};
std::optional<KeyLine> ParseKeyLine(const std::string& value);

// The former content of a value as a "RegOldValue=" line holds it after
// "name,": "S,text", "D,number" or "B,hex.hex...". Nothing when malformed.
std::optional<platform::Value> ParseOldValue(const std::string& typeAndContent);

// A path the uninstaller may touch: absolute (a drive letter and a
// backslash, or a UNC share), not a drive or share root, no "." or ".."
// component.
bool IsSafeAbsolutePath(const std::string& path);

}  // namespace uninstall
