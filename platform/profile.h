#pragma once
// INI files with the semantics of the Windows private-profile functions
// (GetPrivateProfileString / WritePrivateProfileString), implemented over
// the file bytes so that both backends read scripts identically whatever the
// system code page. The Windows contract tests hold this against the real
// functions.

#include <string>
#include <vector>

#include "platform/files.h"

namespace platform {

// The rules, as the Windows functions apply them: lines end at CR, LF or
// CR LF; blank lines are skipped; "[name]" (up to the last "]") opens a
// section; other lines are "key=value" or a bare key without a value (which
// reads as missing). Names and values are trimmed of spaces, tabs, CR/LF,
// VT, FF and Ctrl-Z; names compare without regard to case. The first
// section of a name and the first key of a name win: a repeated section's
// keys are not seen. Lines before the first section belong to a section
// named "". A line starting with ";" is a key like any other, but is left
// out of keyNames (as are empty names). A value in matching single or
// double quotes loses them. A file that starts with a UTF-8 or UTF-16 byte
// order mark is read in that encoding (and converted to 1251); otherwise
// the bytes are 1251 text.
class ProfileReader {
 public:
  ProfileReader() = default;
  explicit ProfileReader(const std::string& text);
  // A missing file reads as an empty one.
  static Result<ProfileReader> load(FileSystem& fs, const std::string& path);

  // GetPrivateProfileString with a buffer of `bufferSize` characters: the
  // value, or `fallback` when the section or key is missing; at most
  // bufferSize - 1 characters are returned.
  std::string getString(const std::string& section, const std::string& key, const std::string& fallback,
                        size_t bufferSize = 2048) const;
  bool hasSection(const std::string& section) const;
  bool hasKey(const std::string& section, const std::string& key) const;
  std::vector<std::string> sectionNames() const;
  std::vector<std::string> keyNames(const std::string& section) const;

 private:
  struct Entry {
    std::string key;
    std::string value;
    bool hasValue = false;  // the line had "="
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Entry* find(const std::string& section, const std::string& key) const;
  std::vector<Section> sections_;
};

// WritePrivateProfileString: sets section/key = value in the first section
// and key of those names, adding the key at the end of the section or the
// section at the end of the file, creating the file as needed. Like the
// Windows function it rewrites the whole file in a normal form: CR LF line
// ends, names and values trimmed, blank lines dropped, comments kept, the
// byte order mark (and encoding) of the file kept. Leading blanks of
// `value` are dropped.
Status writeProfileString(FileSystem& fs, const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value);

}  // namespace platform
