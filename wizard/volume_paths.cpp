#include "wizard/volume_paths.h"

namespace wizard {

namespace {
std::size_t SeparatorEnd(std::string_view path) {
  const std::size_t i = path.find_last_of("\\:");
  return i == std::string_view::npos ? 0 : i + 1;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The number in up to three characters after "disk"; 0 unless they are all
// decimal digits.
int DiskNumber(std::string_view digits) {
  if (digits.empty()) return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}
}  // namespace

std::string DirectoryPart(std::string_view path) { return std::string(path.substr(0, SeparatorEnd(path))); }

std::string NamePart(std::string_view path) { return std::string(path.substr(SeparatorEnd(path))); }

std::string ExtensionPart(std::string_view path) {
  const std::string name = NamePart(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string WithTrailingBackslash(std::string_view dir) {
  std::string result(dir);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::optional<std::string> NextDiskDirectoryCandidate(std::string_view requestedPath) {
  std::string_view dir = requestedPath.substr(0, SeparatorEnd(requestedPath));
  if (!dir.empty() && dir.back() == '\\') dir.remove_suffix(1);
  const std::string_view last = dir.substr(SeparatorEnd(dir));
  if (last.size() < 4) return std::nullopt;
  for (std::size_t i = 0; i < 4; ++i) {
    if (AsciiLower(last[i]) != "disk"[i]) return std::nullopt;
  }
  const int next = DiskNumber(last.substr(4, 3)) + 1;
  return DirectoryPart(dir) + "Disk" + std::to_string(next) + "\\" + NamePart(requestedPath);
}

}  // namespace wizard
