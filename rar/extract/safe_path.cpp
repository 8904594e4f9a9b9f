#include "rar/extract/safe_path.h"

#include <vector>

namespace rar {
namespace {

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// Windows device names, also with an extension ("nul.txt") and trailing
// spaces or dots, which Windows ignores.
bool isDeviceName(const std::string& component) {
  std::string base = upperAscii(component.substr(0, component.find('.')));
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
      base[3] <= '9')
    return true;
  // COM and LPT with superscript digits (U+00B9, U+00B2, U+00B3 in UTF-8).
  if (base.size() == 5 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
      static_cast<unsigned char>(base[3]) == 0xC2) {
    unsigned char d = static_cast<unsigned char>(base[4]);
    if (d == 0xB9 || d == 0xB2 || d == 0xB3) return true;
  }
  return false;
}

}  // namespace

Result<std::string> safeRelativePath(const std::string& memberName) {
  auto refuse = [&](const std::string& why) { return Status(Error::unsafePath, "'" + memberName + "': " + why); };
  if (memberName.empty()) return refuse("empty name");
  std::string name = memberName;
  for (char& c : name)
    if (c == '\\') c = '/';
  if (name.find('\0') != std::string::npos) return refuse("contains a NUL character");
  if (name.front() == '/') return refuse("absolute path");
  if (name.find(':') != std::string::npos) {
    if (name.size() >= 2 && name[1] == ':') return refuse("drive letter");
    return refuse("contains ':' (drive or alternate data stream)");
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    // Windows drops trailing dots and spaces: ". ." or ".. " would be "..".
    std::string trimmed = part;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '.')) trimmed.pop_back();
    if (trimmed.empty()) {
      if (part.find("..") != std::string::npos || part.find(' ') != std::string::npos) return refuse("climbs out with '..'");
      continue;
    }
    if (isDeviceName(part)) return refuse("device name '" + part + "'");
    parts.push_back(part);
  }
  if (parts.empty()) return refuse("no file name");
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return out;
}

}  // namespace rar
