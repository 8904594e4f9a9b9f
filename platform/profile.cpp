#include "platform/profile.h"

#include <string_view>

#include "text/codepage.h"

namespace platform {

namespace {

using text::CodePage;

// How the file's bytes are held while parsing: 1251 text for a file without
// a byte order mark, UTF-8 for the Unicode encodings (the structural
// characters are ASCII in both, and nothing outside 1251 is lost on rewrite).
enum class Encoding { ansi, utf8, utf16le, utf16be };

struct RawEntry {
  std::string name;
  std::string value;
  bool hasValue = false;
};

struct RawSection {
  std::string name;
  std::vector<RawEntry> entries;
  bool hasHeader = true;  // false for the lines before the first header
};

struct Document {
  Encoding encoding = Encoding::ansi;
  // sections[0] is the unnamed section of the lines before the first header.
  std::vector<RawSection> sections{RawSection{{}, {}, false}};
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  return text::utf16ToUtf8(units);
}

std::string encodeUtf16(std::string_view utf8, bool bigEndian) {
  std::string out;
  for (char16_t u : text::utf8ToUtf16(utf8)) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

// Splits the file's bytes into the working text and its encoding.
std::string decode(std::string_view bytes, Encoding& encoding) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    encoding = Encoding::utf8;
    return std::string(bytes.substr(3));
  }
  if (bytes.starts_with("\xFF\xFE")) {
    encoding = Encoding::utf16le;
    return decodeUtf16(bytes.substr(2), false);
  }
  if (bytes.starts_with("\xFE\xFF")) {
    encoding = Encoding::utf16be;
    return decodeUtf16(bytes.substr(2), true);
  }
  encoding = Encoding::ansi;
  return std::string(bytes);
}

std::string encode(std::string_view working, Encoding encoding) {
  switch (encoding) {
    case Encoding::ansi: return std::string(working);
    case Encoding::utf8: return "\xEF\xBB\xBF" + std::string(working);
    case Encoding::utf16le: return "\xFF\xFE" + encodeUtf16(working, false);
    case Encoding::utf16be: return "\xFE\xFF" + encodeUtf16(working, true);
  }
  return std::string(working);
}

std::string to1251(std::string_view working, Encoding encoding) {
  return encoding == Encoding::ansi ? std::string(working) : text::fromUtf8(CodePage::cp1251, working);
}

std::string from1251(std::string_view s, Encoding encoding) {
  return encoding == Encoding::ansi ? std::string(s) : text::toUtf8(CodePage::cp1251, s);
}

Document parse(std::string_view bytes) {
  Document doc;
  const std::string working = decode(bytes, doc.encoding);
  std::string_view rest = working;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("\r\n");
    std::string_view line = trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        doc.sections.push_back(RawSection{std::string(trim(line.substr(1, close - 1))), {}, true});
        continue;
      }
      // "[name" without "]" is an ordinary key line.
    }
    RawEntry entry;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      entry.name = std::string(line);
    } else {
      entry.name = std::string(trim(line.substr(0, eq)));
      entry.value = std::string(trim(line.substr(eq + 1)));
      entry.hasValue = true;
    }
    doc.sections.back().entries.push_back(std::move(entry));
  }
  return doc;
}

std::string serialise(const Document& doc) {
  std::string out;
  for (const RawSection& section : doc.sections) {
    // An explicit "[]" stays, so its keys do not join the unnamed lines
    // before the first section (Windows would drop the header).
    if (section.hasHeader) out += "[" + section.name + "]\r\n";
    for (const RawEntry& entry : section.entries) {
      out += entry.name;
      if (entry.hasValue) out += "=" + entry.value;
      out += "\r\n";
    }
  }
  return encode(out, doc.encoding);
}

// A value in matching quotes loses them.
std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool isFileMissing(const Status& status) {
  return status.code() == Code::notFound || status.code() == Code::pathNotFound;
}

}  // namespace

ProfileReader::ProfileReader(const std::string& fileBytes) {
  const Document doc = parse(fileBytes);
  for (const RawSection& raw : doc.sections) {
    Section section{to1251(raw.name, doc.encoding), {}};
    for (const RawEntry& entry : raw.entries)
      section.entries.push_back(Entry{to1251(entry.name, doc.encoding), to1251(entry.value, doc.encoding), entry.hasValue});
    sections_.push_back(std::move(section));
  }
}

Result<ProfileReader> ProfileReader::load(FileSystem& fs, const std::string& path) {
  auto bytes = readWholeFile(fs, path);
  if (!bytes) {
    if (isFileMissing(bytes.status())) return ProfileReader{};
    return bytes.status();
  }
  return ProfileReader(*bytes);
}

const ProfileReader::Entry* ProfileReader::find(const std::string& section, const std::string& key) const {
  const std::string_view sectionName = trim(section);
  const std::string_view keyName = trim(key);
  for (const Section& s : sections_) {
    if (!text::equalsNoCase1251(s.name, sectionName)) continue;
    // Only the first section of a name is searched.
    for (const Entry& e : s.entries)
      if (text::equalsNoCase1251(e.key, keyName)) return &e;
    return nullptr;
  }
  return nullptr;
}

std::string ProfileReader::getString(const std::string& section, const std::string& key, const std::string& fallback,
                                     size_t bufferSize) const {
  if (bufferSize == 0) return {};
  const Entry* entry = find(section, key);
  std::string_view result;
  if (entry != nullptr && entry->hasValue) {
    result = unquote(entry->value);
  } else {
    result = fallback;
    while (!result.empty() && result.back() == ' ') result.remove_suffix(1);
  }
  if (result.size() > bufferSize - 1) result = result.substr(0, bufferSize - 1);
  return std::string(result);
}

bool ProfileReader::hasSection(const std::string& section) const {
  const std::string_view name = trim(section);
  for (const Section& s : sections_)
    if (text::equalsNoCase1251(s.name, name)) return true;
  return false;
}

bool ProfileReader::hasKey(const std::string& section, const std::string& key) const {
  return find(section, key) != nullptr;
}

std::vector<std::string> ProfileReader::sectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_)
    if (!s.name.empty()) names.push_back(s.name);
  return names;
}

std::vector<std::string> ProfileReader::keyNames(const std::string& section) const {
  std::vector<std::string> names;
  const std::string_view name = trim(section);
  for (const Section& s : sections_) {
    if (!text::equalsNoCase1251(s.name, name)) continue;
    for (const Entry& e : s.entries)
      if (!e.key.empty() && e.key.front() != ';') names.push_back(e.key);
    break;
  }
  return names;
}

Status writeProfileString(FileSystem& fs, const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value) {
  const std::string_view keyName = trim(key);
  if (keyName.empty()) return Status(Code::invalidArgument, 0, "empty profile key name");
  std::string bytes;
  if (auto existing = readWholeFile(fs, path)) {
    bytes = std::move(*existing);
  } else if (!isFileMissing(existing.status())) {
    return existing.status();
  }
  Document doc = parse(bytes);
  const std::string_view sectionName = trim(section);
  RawSection* target = nullptr;
  for (RawSection& s : doc.sections) {
    if (text::equalsNoCase1251(to1251(s.name, doc.encoding), sectionName)) {
      target = &s;
      break;
    }
  }
  if (target == nullptr) {
    doc.sections.push_back(RawSection{from1251(sectionName, doc.encoding), {}, true});
    target = &doc.sections.back();
  }
  const std::string newValue = from1251(trimLeft(value), doc.encoding);
  RawEntry* entry = nullptr;
  for (RawEntry& e : target->entries) {
    if (text::equalsNoCase1251(to1251(e.name, doc.encoding), keyName)) {
      entry = &e;
      break;
    }
  }
  if (entry == nullptr) {
    target->entries.push_back(RawEntry{from1251(keyName, doc.encoding), newValue, true});
  } else {
    entry->value = newValue;
    entry->hasValue = true;
  }
  return writeWholeFile(fs, path, serialise(doc));
}

}  // namespace platform
