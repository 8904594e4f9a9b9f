#pragma once
// Path macros of the setup script: "#PD", "#PF", "#WS", "#WD", "#BDE",
// "#[registry reference]", "#(nickname)" and "#" with a directory number.
// A macro that cannot be resolved leaves the marker "::" in the path; every
// consumer skips such a path.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "startup/model.h"

namespace startup {

inline constexpr const char kUnresolvedMarker[] = "::";

inline bool IsUnresolvedPath(std::string_view path) { return path.find(kUnresolvedMarker) != std::string_view::npos; }

// A registry access object: a current root (HKEY_CURRENT_USER at first) and
// at most one open key.
class RegistryAccess {
 public:
  explicit RegistryAccess(platform::Registry& registry) : registry_(registry) {}
  platform::Root root = platform::Root::currentUser;
  bool openKey(const std::string& path, platform::Access access);
  void closeKey() { key_.reset(); }
  platform::RegistryKey* key() { return key_.get(); }

 private:
  platform::Registry& registry_;
  std::unique_ptr<platform::RegistryKey> key_;
};

// The root named by a reference's root name ("HKLM", "HKEY_CURRENT_USER",
// ...), as a registry reference accepts them; false for any other name.
bool ReferenceRootByName(std::string_view name, platform::Root& root);

// Opens the key of a reference "ROOT\key\path\value" with full access:
// sets the root (an unknown root name keeps the current one), gives the value
// name, and tells whether the key could be opened.
bool OpenRegistryReference(const std::string& reference, RegistryAccess& access, std::string& valueName);

// What the macros refer to.
struct MacroEnvironment {
  const SetupDataModel& model;
  platform::Platform& os;
};

// Expands the macros of `text`. Problems (unresolvable or malformed macros)
// are described in `problems` when it is given.
std::string ExpandPathMacros(const MacroEnvironment& env, std::string_view text,
                             std::vector<std::string>* problems = nullptr);
// The same, with one trailing backslash removed from the result.
std::string ExpandPathMacrosTrimmed(const MacroEnvironment& env, std::string_view text,
                                    std::vector<std::string>* problems = nullptr);

}  // namespace startup
