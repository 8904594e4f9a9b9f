#include "tools/setupkit/reg_file.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "text/codepage.h"

namespace setupkit::reg {

namespace {

constexpr const char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr const char kHeader4[] = "REGEDIT4";

std::string toUtf8(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }
std::string to1251(const std::string& utf8) { return text::fromUtf8(text::CodePage::cp1251, utf8); }

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

struct RootName {
  const char* longName;
  const char* shortName;
  platform::Root root;
};
constexpr RootName kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", platform::Root::localMachine},
    {"HKEY_CURRENT_USER", "HKCU", platform::Root::currentUser},
    {"HKEY_CLASSES_ROOT", "HKCR", platform::Root::classesRoot},
    {"HKEY_USERS", "HKU", platform::Root::users},
    {"HKEY_CURRENT_CONFIG", "HKCC", platform::Root::currentConfig},
    {"HKEY_DYN_DATA", "HKDD", platform::Root::dynData},
};

// The file as UTF-8 text and the form it came in.
std::optional<std::string> decode(const std::string& bytes, Encoding& enc) {
  if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
    std::u16string w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) w.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    enc = Encoding::utf16;
    return text::utf16ToUtf8(w);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    enc = Encoding::utf8;
    return bytes.substr(3);
  }
  if (bytes.compare(0, sizeof(kHeader4) - 1, kHeader4) == 0) {
    enc = Encoding::regedit4;
    return text::toUtf8(text::CodePage::cp1251, bytes);
  }
  enc = Encoding::utf8;
  return bytes;
}

std::vector<std::string> splitLines(const std::string& s) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      cur += s[i];
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// A quoted string at s[pos] (the opening quote); the text without escapes.
bool readQuoted(const std::string& s, size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < s.size()) c = s[pos++];
    out += c;
  }
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHexBytes(const std::string& s, std::string& out) {
  out.clear();
  std::string t;
  for (char c : s)
    if (c != ' ' && c != '\t') t += c;
  if (t.empty()) return true;
  size_t i = 0;
  while (i < t.size()) {
    if (i + 1 >= t.size()) return false;
    int hi = hexDigit(t[i]), lo = hexDigit(t[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += char(hi << 4 | lo);
    i += 2;
    if (i < t.size()) {
      if (t[i] != ',') return false;
      ++i;
      if (i == t.size()) return false;
    }
  }
  return true;
}

// Strings inside hex(2)/hex(7) data: UTF-16LE in version 5 files, 8-bit in
// REGEDIT4 files. The result is 1251 text.
std::string bytesToText(const std::string& b, Encoding enc) {
  if (enc == Encoding::regedit4) return b;
  std::u16string w;
  for (size_t i = 0; i + 1 < b.size(); i += 2) w.push_back(char16_t(uint8_t(b[i]) | uint8_t(b[i + 1]) << 8));
  return text::fromUtf16(text::CodePage::cp1251, w);
}

std::string textToBytes(const std::string& t1251, Encoding enc) {
  if (enc == Encoding::regedit4) return t1251;
  std::u16string w = text::toUtf16(text::CodePage::cp1251, t1251);
  std::string b;
  for (char16_t c : w) {
    b += char(c & 0xFF);
    b += char(c >> 8);
  }
  return b;
}

// hex(N) data of the string kinds, turned into the engine's form.
platform::Value valueFromHex(uint32_t type, const std::string& bytes, Encoding enc) {
  platform::Value v;
  v.type = static_cast<platform::ValueType>(type);
  if (type == 1 || type == 2) {
    std::string t = bytesToText(bytes, enc);
    // One terminator is the format's, not the value's.
    if (!t.empty() && t.back() == '\0') t.pop_back();
    v.data = t;
  } else if (type == 7) {
    std::string t = bytesToText(bytes, enc);
    // Strings each end in a terminator and the list in one more.
    if (!t.empty() && t.back() == '\0') t.pop_back();
    if (!t.empty() && t.back() == '\0') t.pop_back();
    v.data = t;
  } else {
    v.data = bytes;
  }
  return v;
}

bool fitsQuoted(const std::string& s1251) {
  for (char c : s1251)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

std::string quote(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Appends "xx,xx,..." after `line`, wrapped as regedit wraps: lines of at
// most 80 characters, continued with a backslash and two spaces.
void appendHex(std::string& out, std::string line, const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    char piece[4];
    std::snprintf(piece, sizeof piece, "%02x", static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
    std::string item = piece;
    if (i + 1 < bytes.size()) item += ',';
    if (line.size() + item.size() > 79 && i + 1 < bytes.size()) {
      out += line + "\\\r\n";
      line = "  ";
    }
    line += item;
  }
  out += line;
}

std::string hexPrefix(uint32_t type) {
  if (type == 3) return "hex:";
  char buf[24];
  std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(type));
  return buf;
}

std::string dataLine(const std::string& prefix, const platform::Value& v, Encoding enc) {
  const uint32_t type = static_cast<uint32_t>(v.type);
  std::string out;
  if (v.type == platform::ValueType::string && fitsQuoted(v.data)) return prefix + quote(toUtf8(v.data));
  if (v.type == platform::ValueType::dword && v.data.size() == 4) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v.asDword()));
    return prefix + buf;
  }
  std::string bytes = v.data;
  if (type == 1 || type == 2) {
    bytes = textToBytes(v.data, enc) + std::string(enc == Encoding::regedit4 ? 1 : 2, '\0');
  } else if (type == 7) {
    bytes = textToBytes(v.data, enc) + std::string(enc == Encoding::regedit4 ? 2 : 4, '\0');
    if (v.data.empty()) bytes = std::string(enc == Encoding::regedit4 ? 1 : 2, '\0');
  }
  appendHex(out, prefix + hexPrefix(type), bytes);
  return out;
}

std::string encode(const std::string& utf8, Encoding enc) {
  if (enc == Encoding::regedit4) return to1251(utf8);
  if (enc == Encoding::utf8) return utf8;
  std::u16string w = text::utf8ToUtf16(utf8);
  std::string b = "\xFF\xFE";
  for (char16_t c : w) {
    b += char(c & 0xFF);
    b += char(c >> 8);
  }
  return b;
}

std::string fold(const std::string& s) { return text::upper1251(s); }

}  // namespace

std::optional<platform::Root> SplitRoot(const std::string& path, std::string& rest) {
  size_t slash = path.find('\\');
  std::string head = upperAscii(path.substr(0, slash));
  rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  for (const auto& r : kRoots)
    if (head == r.longName || head == r.shortName) return r.root;
  return std::nullopt;
}

std::optional<File> Parse(const std::string& bytes, std::string& error) {
  File file;
  auto utf8 = decode(bytes, file.encoding);
  std::vector<std::string> raw = splitLines(*utf8);
  // Joins continued lines, keeping the number of the first.
  std::vector<std::pair<size_t, std::string>> lines;
  for (size_t i = 0; i < raw.size(); ++i) {
    std::string l = raw[i];
    size_t first = i;
    while (!l.empty() && l.back() == '\\' && i + 1 < raw.size() && l.find('=') != std::string::npos &&
           l.find("hex") != std::string::npos) {
      l.pop_back();
      l += trim(raw[++i]);
    }
    lines.push_back({first + 1, l});
  }
  auto fail = [&](size_t line, const std::string& why) {
    error = "line " + std::to_string(line) + ": " + why;
    return std::nullopt;
  };
  size_t at = 0;
  while (at < lines.size() && trim(lines[at].second).empty()) ++at;
  if (at == lines.size()) return fail(1, "empty; expected \"" + std::string(kHeader5) + "\" or \"" + kHeader4 + "\"");
  const std::string header = trim(lines[at].second);
  if (header == kHeader4) {
    file.encoding = Encoding::regedit4;
  } else if (header != kHeader5) {
    return fail(lines[at].first, "not a registry file: expected \"" + std::string(kHeader5) + "\" or \"" + kHeader4 + "\"");
  } else if (file.encoding == Encoding::regedit4) {
    file.encoding = Encoding::utf8;
  }
  const Encoding enc = file.encoding;
  Key* key = nullptr;
  for (++at; at < lines.size(); ++at) {
    const size_t n = lines[at].first;
    std::string l = trim(lines[at].second);
    if (l.empty() || l[0] == ';') continue;
    if (l[0] == '[') {
      if (l.back() != ']') return fail(n, "a key line must end with ']'");
      std::string path = l.substr(1, l.size() - 2);
      Key k;
      if (!path.empty() && path[0] == '-') {
        k.remove = true;
        path.erase(0, 1);
      }
      std::string rest;
      if (!SplitRoot(path, rest)) return fail(n, "unknown root key in [" + path + "]");
      k.path = to1251(path);
      while (!k.path.empty() && k.path.back() == '\\') k.path.pop_back();
      file.keys.push_back(std::move(k));
      key = &file.keys.back();
      continue;
    }
    if (!key) return fail(n, "a value before the first [key]");
    Value v;
    size_t pos = 0;
    if (l[0] == '@') {
      pos = 1;
    } else {
      std::string name;
      if (!readQuoted(l, pos, name)) return fail(n, "a value name must be quoted (or @ for the default value)");
      if (name.empty()) return fail(n, "an empty value name is written @");
      v.name = to1251(name);
    }
    while (pos < l.size() && (l[pos] == ' ' || l[pos] == '\t')) ++pos;
    if (pos >= l.size() || l[pos] != '=') return fail(n, "expected '=' after the value name");
    std::string data = trim(l.substr(pos + 1));
    if (data == "-") {
      v.remove = true;
    } else if (!data.empty() && data[0] == '"') {
      size_t p = 0;
      std::string s;
      if (!readQuoted(data, p, s) || !trim(data.substr(p)).empty()) return fail(n, "unterminated or malformed string");
      v.value = platform::Value::text(to1251(s));
    } else if (data.compare(0, 6, "dword:") == 0) {
      std::string d = data.substr(6);
      if (d.empty() || d.size() > 8 || !std::all_of(d.begin(), d.end(), [](char c) { return hexDigit(c) >= 0; }))
        return fail(n, "dword: needs up to 8 hexadecimal digits");
      v.value = platform::Value::dword(static_cast<uint32_t>(std::stoul(d, nullptr, 16)));
    } else if (data.compare(0, 3, "hex") == 0) {
      uint32_t type = 3;
      size_t colon = data.find(':');
      if (colon == std::string::npos) return fail(n, "hex data needs ':'");
      std::string kind = data.substr(3, colon - 3);
      if (!kind.empty()) {
        if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')') return fail(n, "malformed hex(type)");
        std::string t = kind.substr(1, kind.size() - 2);
        if (t.empty() || t.size() > 8 || !std::all_of(t.begin(), t.end(), [](char c) { return hexDigit(c) >= 0; }))
          return fail(n, "hex(type) needs a hexadecimal type number");
        type = static_cast<uint32_t>(std::stoul(t, nullptr, 16));
      }
      std::string b;
      if (!parseHexBytes(data.substr(colon + 1), b)) return fail(n, "malformed hex bytes (pairs of digits separated by commas)");
      v.value = valueFromHex(type, b, enc);
    } else {
      return fail(n, "unknown data: expected \"text\", dword:, hex:, hex(N): or -");
    }
    key->values.push_back(std::move(v));
  }
  return file;
}

std::string DataText(const platform::Value& value, Encoding encoding) { return to1251(dataLine("", value, encoding)); }

std::string Write(const File& file, Encoding encoding) {
  std::string out = std::string(encoding == Encoding::regedit4 ? kHeader4 : kHeader5) + "\r\n\r\n";
  for (const auto& k : file.keys) {
    out += std::string("[") + (k.remove ? "-" : "") + toUtf8(k.path) + "]\r\n";
    for (const auto& v : k.values) {
      std::string prefix = v.name.empty() ? "@=" : quote(toUtf8(v.name)) + "=";
      out += v.remove ? prefix + "-" : dataLine(prefix, v.value, encoding);
      out += "\r\n";
    }
    out += "\r\n";
  }
  return encode(out, encoding);
}

bool Apply(const File& file, platform::Registry& registry, std::string& error) {
  for (const auto& k : file.keys) {
    std::string rest;
    auto root = SplitRoot(k.path, rest);
    if (!root) {
      error = "unknown root key in [" + toUtf8(k.path) + "]";
      return false;
    }
    if (k.remove) {
      // Deepest keys first: a key goes only when it has no subkeys.
      std::vector<std::string> order{rest};
      for (size_t i = 0; i < order.size(); ++i) {
        auto key = registry.open(*root, order[i], platform::Access::read);
        if (!key.ok()) continue;
        auto subs = key.value()->subkeys();
        if (subs.ok())
          for (const auto& s : subs.value()) order.push_back(order[i] + "\\" + s);
      }
      for (auto it = order.rbegin(); it != order.rend(); ++it) (void)registry.removeKey(*root, *it);
      continue;
    }
    auto key = registry.create(*root, rest);
    if (!key.ok()) {
      error = "cannot create [" + toUtf8(k.path) + "]: " + key.status().toString();
      return false;
    }
    for (const auto& v : k.values) {
      platform::Status s = v.remove ? key.value()->removeValue(v.name) : key.value()->write(v.name, v.value);
      if (!s.ok() && !v.remove) {
        error = "cannot write [" + toUtf8(k.path) + "] \"" + toUtf8(v.name) + "\": " + s.toString();
        return false;
      }
    }
  }
  return true;
}

namespace {

void exportKey(platform::Registry& registry, platform::Root root, const std::string& rootName, const std::string& path,
               File& out) {
  auto key = registry.open(root, path, platform::Access::read);
  if (!key.ok()) return;
  Key k;
  k.path = path.empty() ? rootName : rootName + "\\" + path;
  auto names = key.value()->valueNames();
  if (names.ok()) {
    std::vector<std::string> sorted = names.value();
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return fold(a) < fold(b); });
    for (const auto& n : sorted) {
      auto v = key.value()->read(n);
      if (v.ok()) k.values.push_back({n, false, v.value()});
    }
  }
  auto subs = key.value()->subkeys();
  key.value().reset();
  if (!path.empty()) out.keys.push_back(std::move(k));
  if (!subs.ok()) return;
  std::vector<std::string> sorted = subs.value();
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return fold(a) < fold(b); });
  for (const auto& s : sorted) exportKey(registry, root, rootName, path.empty() ? s : path + "\\" + s, out);
}

}  // namespace

File Export(platform::Registry& registry) {
  File out;
  for (const auto& r : kRoots) exportKey(registry, r.root, r.longName, "", out);
  return out;
}

std::vector<std::string> Diff(const File& before, const File& after) {
  auto index = [](const File& f) {
    std::map<std::string, const Key*> m;
    for (const auto& k : f.keys) m[fold(k.path)] = &k;
    return m;
  };
  auto a = index(before), b = index(after);
  auto shownValue = [](const Value& v) {
    return (v.name.empty() ? std::string("@") : quote(toUtf8(v.name))) + "=" + toUtf8(DataText(v.value, Encoding::utf8));
  };
  std::vector<std::string> out;
  for (const auto& [name, key] : b) {
    auto old = a.find(name);
    std::string shownKey = "[" + toUtf8(key->path) + "]";
    if (old == a.end()) {
      out.push_back("+ " + shownKey);
      for (const auto& v : key->values) out.push_back("+ " + shownKey + " " + shownValue(v));
      continue;
    }
    std::map<std::string, const Value*> ov;
    for (const auto& v : old->second->values) ov[fold(v.name)] = &v;
    for (const auto& v : key->values) {
      auto o = ov.find(fold(v.name));
      if (o == ov.end()) {
        out.push_back("+ " + shownKey + " " + shownValue(v));
      } else {
        if (!(o->second->value == v.value))
          out.push_back("~ " + shownKey + " " + shownValue(*o->second) + " -> " + toUtf8(DataText(v.value, Encoding::utf8)));
        ov.erase(o);
      }
    }
    for (const auto& v : old->second->values)
      if (ov.count(fold(v.name))) out.push_back("- " + shownKey + " " + shownValue(v));
  }
  for (const auto& [name, key] : a)
    if (!b.count(name)) out.push_back("- [" + toUtf8(key->path) + "]");
  return out;
}

}  // namespace setupkit::reg
