#include "platform/sim/path.h"

#include "text/codepage.h"

namespace platform::sim {

std::string PathParts::text() const {
  std::string s{drive, ':'};
  if (names.empty()) return s + "\\";
  for (const std::string& name : names) s += "\\" + name;
  return s;
}

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isInvalidNameChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':';
}

std::vector<std::string_view> splitNames(std::string_view s) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || isSeparator(s[i])) {
      if (i > start) parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

}  // namespace

Result<PathParts> parsePath(std::string_view path, std::string_view currentDirectory) {
  if (path.empty()) return Status(Code::pathNotFound, native::pathNotFound, "empty path");
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
    return Status(Code::pathNotFound, native::badPathname, "network paths are not simulated: " + std::string(path));
  PathParts parts;
  std::string_view rest = path;
  const bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (hasDrive) {
    parts.drive = static_cast<char>(path[0] & ~0x20);
    rest = path.substr(2);
    // "C:name" is relative to the drive's current directory; the machine
    // keeps one current directory, so take it only when it is on that drive.
    if (rest.empty() || !isSeparator(rest[0])) {
      if (currentDirectory.size() >= 2 && (currentDirectory[0] & ~0x20) == parts.drive) {
        auto base = parsePath(currentDirectory, {});
        if (base) parts.names = base->names;
      }
    }
  } else if (isSeparator(rest[0])) {
    auto base = parsePath(currentDirectory, {});
    if (!base) return base.status();
    parts.drive = base->drive;
  } else {
    auto base = parsePath(currentDirectory, {});
    if (!base) return base.status();
    parts = *base;
  }
  for (std::string_view name : splitNames(rest)) {
    if (name == ".") continue;
    if (name == "..") {
      if (!parts.names.empty()) parts.names.pop_back();
      continue;
    }
    for (char c : name)
      if (isInvalidNameChar(c)) return Status(Code::invalidArgument, native::invalidName, "invalid name: " + std::string(path));
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    if (name.empty()) return Status(Code::invalidArgument, native::invalidName, "invalid name: " + std::string(path));
    parts.names.emplace_back(name);
  }
  return parts;
}

std::string foldName(std::string_view name) { return text::upper1251(name); }

namespace {

bool matchFolded(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match with back-tracking to the last "*".
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
  const std::string n = foldName(name);
  const std::string p = foldName(pattern);
  if (p == "*.*" || p == "*") return true;
  if (matchFolded(n, p)) return true;
  // "name.*" also matches "name".
  if (p.size() >= 2 && p.ends_with(".*") && n.find('.') == std::string::npos)
    return matchFolded(n, std::string_view(p).substr(0, p.size() - 2));
  return false;
}

namespace {

bool isShortNameChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 0x80) return true;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

}  // namespace

bool isShortName(std::string_view name) {
  const size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (char c : base)
    if (!isShortNameChar(c)) return false;
  for (char c : ext)
    if (!isShortNameChar(c)) return false;
  return true;
}

std::string makeShortName(std::string_view name, int number) {
  const size_t dot = name.rfind('.');
  std::string base, ext;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == ' ' || (c == '.' && i != dot)) continue;
    std::string& target = (dot != std::string_view::npos && i > dot) ? ext : base;
    if (c == '.') continue;
    target += isShortNameChar(c) ? text::upper1251(c) : '_';
  }
  const std::string tail = "~" + std::to_string(number);
  if (base.empty()) base = "_";
  base = base.substr(0, 8 - tail.size()) + tail;
  if (ext.size() > 3) ext.resize(3);
  return ext.empty() ? base : base + "." + ext;
}

}  // namespace platform::sim
