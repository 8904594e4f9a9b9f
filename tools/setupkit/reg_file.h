#pragma once
// Registry files in the text form regedit exports and imports:
// "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order mark as
// regedit writes it; UTF-8 read and written too) and "REGEDIT4" (8-bit text,
// taken as code page 1251). Every value type regedit writes is kept: quoted
// strings, dword:, hex: and hex(N): for any other type (2 expandable
// string, 7 multi-string, b 64-bit number, 0 none ...).
//
// Names and texts are held as the engine holds them, in code page 1251.

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace setupkit::reg {

enum class Encoding { utf16, utf8, regedit4 };

struct Value {
  std::string name;  // empty: the key's default value ("@")
  bool remove = false;  // "name"=-
  platform::Value value;
  bool operator==(const Value&) const = default;
};

struct Key {
  std::string path;     // "HKEY_LOCAL_MACHINE\Software\..." (1251)
  bool remove = false;  // [-HKEY_...]
  std::vector<Value> values;
  bool operator==(const Key&) const = default;
};

struct File {
  Encoding encoding = Encoding::utf16;
  std::vector<Key> keys;
  bool operator==(const File&) const = default;
};

// Parses a registry file; nothing and `error` ("line N: reason") when it is
// malformed.
std::optional<File> Parse(const std::string& bytes, std::string& error);
// The file's bytes in `encoding`, formatted as regedit formats its exports.
std::string Write(const File& file, Encoding encoding);

// The root of a key path ("HKEY_CURRENT_USER\..." or "HKCU\..."); the rest
// of the path without its leading backslash goes to `rest`.
std::optional<platform::Root> SplitRoot(const std::string& path, std::string& rest);

// Writes the file's keys and values into a registry (deletions too).
// Returns false with `error` on the first failure.
bool Apply(const File& file, platform::Registry& registry, std::string& error);
// Every key under the usual roots, in key order (subkeys sorted without
// regard to case), as regedit exports a whole registry.
File Export(platform::Registry& registry);

// One line per difference (UTF-8): "+ [key]", "- [key]", "+ [key] "name"=data",
// "- [key] "name"=data", "~ [key] "name"=old -> new".
std::vector<std::string> Diff(const File& before, const File& after);

// A value as regedit writes it after "name"= (1251; hex data may be long).
std::string DataText(const platform::Value& value, Encoding encoding);

}  // namespace setupkit::reg
