#include "uninstall/uninstall_log.h"

#include <charconv>
#include <cstring>

#include "startup/uninstall_lines.h"

namespace uninstall {

namespace {

struct Prefix {
  const char* text;
  LineKind kind;
};

// Longer prefixes that share a beginning with shorter ones come first.
constexpr Prefix kPrefixes[] = {
    {startup::log::kDir, LineKind::dir},
    {startup::log::kFile, LineKind::file},
    {startup::log::kRegSharedIncrement, LineKind::sharedIncrement},
    {startup::log::kRegOpenKey, LineKind::regOpenKey},
    {startup::log::kRegCreateKey, LineKind::regCreateKey},
    {startup::log::kRegOldValue, LineKind::regOldValue},
    {startup::log::kRegWriteValue, LineKind::regWriteValue},
    {startup::log::kRegEntry, LineKind::regEntry},
    {startup::log::kShellFolder, LineKind::shellFolder},
    {startup::log::kShellLink, LineKind::shellLink},
    {startup::log::kOcxError, LineKind::failedRegistration},
    {startup::log::kTlbError, LineKind::failedRegistration},
    {startup::log::kOcx, LineKind::ocx},
    {startup::log::kTlb, LineKind::tlb},
};

LogLine Classify(std::string line, size_t number) {
  LogLine out;
  out.number = number;
  if (line == startup::log::kUseBde) {
    out.kind = LineKind::useBde;
  } else {
    for (const Prefix& p : kPrefixes) {
      size_t n = std::strlen(p.text);
      if (line.compare(0, n, p.text) == 0) {
        out.kind = p.kind;
        out.value = line.substr(n);
        break;
      }
    }
  }
  out.text = std::move(line);
  return out;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

ReadLogResult ParseUninstallLog(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    size_t next = end == std::string::npos ? bytes.size() : end + 1;
    if (end == std::string::npos) end = bytes.size();
    size_t len = end - start;
    if (len > 0 && bytes[start + len - 1] == '\r') --len;
    lines.push_back(bytes.substr(start, len));
    start = next;
  }
  ReadLogResult result;
  if (lines.empty() || lines[0] != startup::log::kHeader) {
    result.error = "Файл не является журналом установки (нет строки \"" + std::string(startup::log::kHeader) + "\")";
    return result;
  }
  UninstallLog log;
  if (lines.size() > 1) log.title = lines[1];
  for (size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    log.lines.push_back(Classify(std::move(lines[i]), i + 1));
  }
  result.log = std::move(log);
  return result;
}

std::optional<KeyLine> ParseKeyLine(const std::string& value) {
  size_t comma = value.rfind(',');
  if (comma == std::string::npos) return std::nullopt;
  const char* first = value.data() + comma + 1;
  const char* last = value.data() + value.size();
  uint32_t root = 0;
  auto [ptr, ec] = std::from_chars(first, last, root);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  KeyLine key;
  switch (root) {
    case static_cast<uint32_t>(platform::Root::classesRoot):
    case static_cast<uint32_t>(platform::Root::currentUser):
    case static_cast<uint32_t>(platform::Root::localMachine):
    case static_cast<uint32_t>(platform::Root::users):
      key.root = static_cast<platform::Root>(root);
      break;
    default:
      return std::nullopt;
  }
  key.path = value.substr(0, comma);
  return key;
}

std::optional<platform::Value> ParseOldValue(const std::string& s) {
  if (s.size() < 2 || s[1] != ',') return std::nullopt;
  std::string content = s.substr(2);
  switch (s[0]) {
    case 'S':
      return platform::Value::text(content);
    case 'D': {
      int32_t number = 0;
      auto [ptr, ec] = std::from_chars(content.data(), content.data() + content.size(), number);
      if (ec != std::errc() || ptr != content.data() + content.size()) return std::nullopt;
      return platform::Value::dword(static_cast<uint32_t>(number));
    }
    case 'B': {
      std::string bytes;
      size_t i = 0;
      while (i < content.size()) {
        if (i + 1 >= content.size()) return std::nullopt;
        int hi = HexDigit(content[i]), lo = HexDigit(content[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        if (i < content.size()) {
          if (content[i] != '.') return std::nullopt;
          ++i;
          if (i == content.size()) return std::nullopt;
        }
      }
      return platform::Value::binaryData(bytes);
    }
    default:
      return std::nullopt;
  }
}

bool IsSafeAbsolutePath(const std::string& path) {
  size_t rest;
  size_t minComponents;
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) {
    rest = 3;
    minComponents = 1;  // "C:\" alone is the drive root
  } else if (path.size() > 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
    if (path.size() > 2 && (path[2] == '?' || path[2] == '.')) return false;  // device namespaces
    rest = 2;
    minComponents = 3;  // \\server\share is the share root
  } else {
    return false;
  }
  size_t components = 0;
  size_t i = rest;
  while (i <= path.size()) {
    size_t end = path.find_first_of("\\/", i);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(i, end - i);
    if (part == "." || part == "..") return false;
    if (part.find(':') != std::string::npos) return false;  // streams and stray drives
    if (!part.empty()) ++components;
    i = end + 1;
  }
  return components >= minComponents;
}

}  // namespace uninstall
