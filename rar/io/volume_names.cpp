#include "rar/io/volume_names.h"

#include <cctype>

namespace rar {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Position of the extension's dot within the file-name part, or npos.
size_t extensionDot(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return std::string::npos;
  return dot;
}

// Increments the decimal digits in [begin, end); grows the run on overflow.
std::string incrementDigits(std::string s, size_t begin, size_t end) {
  size_t i = end;
  while (i > begin) {
    --i;
    if (s[i] != '9') {
      ++s[i];
      return s;
    }
    s[i] = '0';
  }
  s.insert(begin, 1, '1');
  return s;
}

bool allDigits(const std::string& s, size_t begin, size_t end) {
  if (begin >= end) return false;
  for (size_t i = begin; i < end; ++i)
    if (!isDigit(s[i])) return false;
  return true;
}

std::string nextOld(const std::string& path) {
  size_t dot = extensionDot(path);
  if (dot == std::string::npos) return {};
  std::string ext = path.substr(dot + 1);
  if (allDigits(path, dot + 1, path.size())) return incrementDigits(path, dot + 1, path.size());
  if (ext.size() == 3 && (ext[0] == 'r' || ext[0] == 'R') && (ext == "rar" || ext == "RAR" || ext == "Rar"))
    return path.substr(0, dot + 2) + "00";
  // .r00 .. .r99, then the letter carries: .s00, .t00, ...
  if (ext.size() == 3 && std::isalpha(static_cast<unsigned char>(ext[0])) && isDigit(ext[1]) && isDigit(ext[2])) {
    std::string out = path;
    int n = (ext[1] - '0') * 10 + (ext[2] - '0') + 1;
    if (n == 100) {
      if (ext[0] == 'z' || ext[0] == 'Z') return {};
      out[dot + 1] = char(ext[0] + 1);
      n = 0;
    }
    out[dot + 2] = char('0' + n / 10);
    out[dot + 3] = char('0' + n % 10);
    return out;
  }
  return {};
}

std::string nextNew(const std::string& path) {
  size_t dot = extensionDot(path);
  if (dot == std::string::npos) return {};
  if (allDigits(path, dot + 1, path.size())) return incrementDigits(path, dot + 1, path.size());
  // The last run of digits before the extension.
  size_t end = dot;
  while (end > 0 && !isDigit(path[end - 1])) {
    if (path[end - 1] == '/' || path[end - 1] == '\\') return {};
    --end;
  }
  if (end == 0) return {};
  size_t begin = end;
  while (begin > 0 && isDigit(path[begin - 1])) --begin;
  return incrementDigits(path, begin, end);
}

}  // namespace

std::string nextVolumeName(const std::string& path, VolumeNaming naming) {
  return naming == VolumeNaming::newStyle ? nextNew(path) : nextOld(path);
}

std::string volumeName(const std::string& first, unsigned index, VolumeNaming naming) {
  std::string name = first;
  for (unsigned i = 0; i < index && !name.empty(); ++i) name = nextVolumeName(name, naming);
  return name;
}

}  // namespace rar
