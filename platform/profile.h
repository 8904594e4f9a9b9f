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
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Entry* find(const std::string& section, const std::string& key) const;
  std::vector<Section> sections_;
};

// WritePrivateProfileString: sets (or, with an empty key list semantics,
// adds) section/key = value, creating the file and the section as needed.
Status writeProfileString(FileSystem& fs, const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value);

}  // namespace platform
