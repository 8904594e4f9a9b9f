#include "startup/path_macros.h"

#include "startup/tools.h"
#include "text/codepage.h"

namespace startup {
namespace {

void note(std::vector<std::string>* problems, std::string message) {
  if (problems) problems->push_back(std::move(message));
}

// Replaces the first occurrence of `macro` by what `replacement()` gives.
template <typename Fn>
void replaceFirst(std::string& text, std::string_view macro, Fn replacement) {
  size_t p = text.find(macro);
  if (p == std::string::npos) return;
  text.replace(p, macro.size(), replacement());
}

std::string withoutTrailingBackslash(std::string s) {
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

// A registry reference's value as the macro "#[...]" gives it.
std::string registryMacroValue(platform::Registry& registry, const std::string& reference,
                               std::vector<std::string>* problems) {
  RegistryAccess access(registry);
  std::string valueName;
  if (!OpenRegistryReference(reference, access, valueName)) {
    note(problems, "registry key of #[" + reference + "] cannot be opened");
    return kUnresolvedMarker;
  }
  auto value = access.key()->read(valueName);
  if (!value.ok()) {
    if (value.status().code() == platform::Code::notFound) return {};
    note(problems, "registry value of #[" + reference + "] cannot be read");
    return kUnresolvedMarker;
  }
  if (!value->isText()) {
    note(problems, "registry value of #[" + reference + "] is not text");
    return kUnresolvedMarker;
  }
  return value->data;
}

// Expands "#[...]" or "#(...)" once. The closing character is looked for
// after the opening pair: one that stands before it does not close it.
template <typename Fn>
void expandBracketed(std::string& text, std::string_view open, char close, Fn resolve,
                     std::vector<std::string>* problems) {
  size_t p = text.find(open);
  if (p == std::string::npos) return;
  size_t q = text.find(close, p + open.size());
  if (q == std::string::npos) {
    note(problems, std::string(open) + " without a closing '" + close + "'");
    text.replace(p, open.size(), kUnresolvedMarker);
    return;
  }
  std::string inner = text.substr(p + open.size(), q - p - open.size());
  text.replace(p, q + 1 - p, resolve(inner));
}

// Step 8: "#" and decimal digits name a directory by its Macro number or,
// failing that, by its index. The character after the digits is dropped.
std::string expandNumbered(const SetupDataModel& model, const std::string& text, std::vector<std::string>* problems) {
  std::string out;
  out.reserve(text.size() + 64);
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '#') {
      out += text[i++];
      continue;
    }
    size_t j = i + 1;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    std::optional<int32_t> n;
    if (j > i + 1) n = ParseScriptInteger(std::string_view(text).substr(i + 1, j - i - 1));
    if (!n) {
      out += text[i++];
      continue;
    }
    std::optional<size_t> index;
    for (size_t d = 0; d < model.Dirs.size(); ++d) {
      if (model.Dirs[d].Macro == *n) {
        index = d;
        break;
      }
    }
    if (!index && *n >= 0 && static_cast<size_t>(*n) < model.Dirs.size()) index = static_cast<size_t>(*n);
    if (index) {
      out += NormalizeDir(model.Dirs[*index].Dir);
    } else {
      note(problems, "#" + std::to_string(*n) + " names no directory");
      out += kUnresolvedMarker;
    }
    i = std::min(j + 1, text.size());
  }
  return out;
}

}  // namespace

bool RegistryAccess::openKey(const std::string& path, platform::Access access) {
  key_.reset();
  auto key = registry_.open(root, path, access);
  if (!key.ok()) return false;
  key_ = std::move(key.value());
  return true;
}

bool ReferenceRootByName(std::string_view name, platform::Root& root) {
  struct Name {
    const char* text;
    platform::Root root;
  };
  static const Name names[] = {
      {"HKEY_LOCAL_MACHINE", platform::Root::localMachine}, {"HKLM", platform::Root::localMachine},
      {"HKEY_CLASSES_ROOT", platform::Root::classesRoot},   {"HKCR", platform::Root::classesRoot},
      {"HKEY_CURRENT_USER", platform::Root::currentUser},   {"HKCU", platform::Root::currentUser},
      {"HKEY_CURRENT_CONFIG", platform::Root::currentConfig}, {"HKEY_USERS", platform::Root::users},
      {"HKEY_DYN_DATA", platform::Root::dynData},
  };
  for (const auto& n : names) {
    if (text::equalsNoCase1251(name, n.text)) {
      root = n.root;
      return true;
    }
  }
  return false;
}

bool OpenRegistryReference(const std::string& reference, RegistryAccess& access, std::string& valueName) {
  ReferenceRootByName(Field(reference, '\\', 1), access.root);
  size_t first = reference.find('\\');
  size_t last = reference.rfind('\\');
  valueName = last == std::string::npos ? std::string() : reference.substr(last + 1);
  if (last == std::string::npos) valueName = Field(reference, '\\', 1);
  std::string keyPath = (first != std::string::npos && last > first) ? reference.substr(first + 1, last - first - 1) : std::string();
  return access.openKey(keyPath, platform::Access::all);
}

std::string ExpandPathMacros(const MacroEnvironment& env, std::string_view input, std::vector<std::string>* problems) {
  const SetupDataModel& model = env.model;
  std::string text(input);

  replaceFirst(text, "#PD", [&]() -> std::string {
    for (const DirEntry& dir : model.Dirs) {
      if (dir.Hidden) continue;
      std::string path = withoutTrailingBackslash(dir.Dir);
      auto shortForm = env.os.files().shortPath(path);
      return shortForm.ok() ? shortForm.value() : path;
    }
    note(problems, "#PD: every directory is hidden");
    return kUnresolvedMarker;
  });
  replaceFirst(text, "#PF", [&] { return model.WindowsDir.substr(0, 3) + "Program Files"; });
  replaceFirst(text, "#WS", [&] { return model.SystemDir; });
  replaceFirst(text, "#WD", [&] { return model.WindowsDir; });
  replaceFirst(text, "#BDE", [&] { return withoutTrailingBackslash(model.DatabaseEngineDir); });
  expandBracketed(
      text, "#[", ']', [&](const std::string& ref) { return registryMacroValue(env.os.registry(), ref, problems); },
      problems);
  expandBracketed(
      text, "#(", ')',
      [&](const std::string& nickname) -> std::string {
        for (const DirEntry& dir : model.Dirs)
          if (text::equalsNoCase1251(dir.Nickname, nickname)) return dir.Dir;
        note(problems, "#(" + nickname + "): no directory has this nickname");
        return kUnresolvedMarker;
      },
      problems);
  return expandNumbered(model, text, problems);
}

std::string ExpandPathMacrosTrimmed(const MacroEnvironment& env, std::string_view text, std::vector<std::string>* problems) {
  return withoutTrailingBackslash(ExpandPathMacros(env, text, problems));
}

}  // namespace startup
