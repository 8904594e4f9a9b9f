#pragma once
// The small INI form of the tool's own files (machine.ini, answers): UTF-8,
// "[Section]" lines, "Key=Value" lines, comments starting with ';' or '#'.
// Blanks around keys and values are dropped. Keys keep their order.

#include <string>
#include <vector>

namespace setupkit {

struct IniEntry {
  std::string section;  // as written
  std::string key;
  std::string value;
  size_t line = 0;
};

// Entries in file order; false with `error` ("line N: ...") on a line that
// is neither a section, an entry, a comment nor blank.
inline bool ParseIni(const std::string& text, std::vector<IniEntry>& out, std::string& error) {
  auto trim = [](const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
  };
  std::string section;
  size_t n = 0, pos = 0;
  std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
  while (pos <= body.size()) {
    size_t end = body.find('\n', pos);
    std::string line = body.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? body.size() + 1 : end + 1;
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        error = "line " + std::to_string(n) + ": a section line must end with ']'";
        return false;
      }
      section = trim(line.substr(1, line.size() - 2));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos || section.empty()) {
      error = "line " + std::to_string(n) + (section.empty() ? ": an entry before the first [section]" : ": expected Key=Value");
      return false;
    }
    out.push_back({section, trim(line.substr(0, eq)), trim(line.substr(eq + 1)), n});
  }
  return true;
}

inline bool IniNameIs(const std::string& a, const char* b) {
  std::string x = a, y = b;
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    char c = x[i], d = y[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (d >= 'A' && d <= 'Z') d = char(d - 'A' + 'a');
    if (c != d) return false;
  }
  return true;
}

}  // namespace setupkit
