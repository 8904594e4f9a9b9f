#include "startup/tools.h"

#include <limits>

namespace startup {

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t') return false;
  return true;
}

std::string NormalizeDir(std::string_view dir) {
  if (dir.empty()) return {};
  if (dir.size() == 1) return std::string(dir) + ":\\";
  char last = dir.back();
  if (last == ':' || last == '\\') return std::string(dir);
  return std::string(dir) + "\\";
}

std::string Field(std::string_view s, char separator, size_t k) {
  size_t index = 0;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == separator) ++i;
    if (i == s.size()) break;
    size_t start = i;
    while (i < s.size() && s[i] != separator) ++i;
    if (++index == k) return std::string(s.substr(start, i - start));
  }
  return {};
}

size_t FieldCount(std::string_view s, char separator) {
  size_t count = 0;
  bool inField = false;
  for (char c : s) {
    if (c == separator) {
      inField = false;
    } else if (!inField) {
      inField = true;
      ++count;
    }
  }
  return count;
}

std::optional<int32_t> ParseScriptInteger(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : s) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 10) {
    // Decimal must fit the signed range.
    if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
  }
  // Hexadecimal spells the 32 bits, so $FFFFFFFF is -1.
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

std::optional<IntegerList> ParseIntegerList(std::string_view s) {
  IntegerList list;
  size_t count = FieldCount(s, ',');
  list.reserve(count);
  for (size_t k = 1; k <= count; ++k) {
    auto value = ParseScriptInteger(Field(s, ',', k));
    if (!value) return std::nullopt;
    list.push_back(*value);
  }
  return list;
}

bool IntegerListContains(int32_t value, const IntegerList& list) { return IntegerListIndexOf(value, list) >= 0; }

int IntegerListIndexOf(int32_t value, const IntegerList& list) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == value) return static_cast<int>(i);
  return -1;
}

int CompareVersions(std::string_view a, std::string_view b) {
  for (size_t k = 1; k <= 4; ++k) {
    int64_t pa = ParseScriptInteger(Field(a, '.', k)).value_or(0);
    int64_t pb = ParseScriptInteger(Field(b, '.', k)).value_or(0);
    if (pa != pb) return pa < pb ? -1 : 1;
  }
  return 0;
}

std::string FillEmptyFields(std::string_view s, char separator, std::string_view filler) {
  std::string out;
  out.reserve(s.size() + 8);
  for (size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == separator && (i + 1 == s.size() || s[i + 1] == separator)) out += filler;
  }
  return out;
}

uint8_t GetOsKind(platform::System& system) {
  platform::OsVersion v = system.osVersion();
  switch (v.platformId) {
    case 0: return okWin32s;
    case 1:
      if (v.minor == 0) return okWin95;
      if (v.minor == 10) return okWin98;
      return okOther;
    case 2: return okNT;
    default: return okOther;
  }
}

platform::Result<std::string> TempFileBeside(platform::FileSystem& files, const std::string& targetPath) {
  size_t cut = targetPath.find_last_of("\\:");
  std::string directory = cut == std::string::npos ? std::string(".") : targetPath.substr(0, cut + 1);
  return files.tempFileName(directory, "Ins", 0);
}

}  // namespace startup
