#include "process/rollback.h"

#include "process/selection.h"
#include "process/texts.h"
#include "startup/path_macros.h"
#include "startup/tools.h"
#include "startup/uninstall_lines.h"

namespace process {

namespace {

using platform::Value;

// "01.AB" -> the two bytes; a part that is not a hexadecimal byte counts
// as 0.
std::string HexBytes(const std::string& text) {
  std::string bytes;
  if (text.empty()) return bytes;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    bytes.push_back(static_cast<char>(NumberOrZero("$" + part) & 0xFF));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return bytes;
}

void RestoreValue(platform::Registry& registry, const std::string& change, const std::string& old) {
  const size_t bar = change.find('|');
  if (bar == std::string::npos) return;
  const std::string reference = change.substr(0, bar);
  const std::string valueName = change.substr(bar + 1);
  const size_t slash = reference.find('\\');
  platform::Root root;
  if (!startup::ReferenceRootByName(reference.substr(0, slash), root)) return;
  const std::string keyPath = slash == std::string::npos ? std::string() : reference.substr(slash + 1);
  auto key = registry.open(root, keyPath, platform::Access::all);
  if (!key.ok()) return;
  platform::RegistryKey& k = **key;
  const bool exists = k.read(valueName).ok();
  if (startup::IsBlank(old)) {
    // The value is new: it goes, and so does its key when nothing is left.
    if (exists) static_cast<void>(k.removeValue(valueName));
    const auto subkeys = k.subkeys();
    const auto values = k.valueNames();
    key->reset();
    if (subkeys.ok() && values.ok() && subkeys->empty() && values->empty())
      static_cast<void>(registry.removeKey(root, keyPath));
    return;
  }
  if (exists) static_cast<void>(k.removeValue(valueName));
  const std::string content = old.substr(1);
  switch (old[0]) {
    case 'B': static_cast<void>(k.write(valueName, Value::binaryData(HexBytes(content)))); break;
    case 'D': static_cast<void>(k.write(valueName, Value::dword(static_cast<uint32_t>(NumberOrZero(content))))); break;
    case 'S': static_cast<void>(k.write(valueName, Value::text(content))); break;
    default: break;
  }
}


// Takes back the shared-library counts the run raised (its
// "RegSharedIncrement=" lines): a count the run created (now 1) goes, a
// raised one goes down by one. Without this a failed run would leave the
// files counted for a program that was never installed.
void LowerSharedCounts(platform::Registry& registry, const startup::StringList& lines) {
  const std::string prefix = startup::log::kRegSharedIncrement;
  auto key = registry.open(platform::Root::localMachine, kSharedDllsKey, platform::Access::all);
  if (!key) return;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (it->compare(0, prefix.size(), prefix) != 0) continue;
    const std::string name = it->substr(prefix.size());
    auto value = (*key)->read(name);
    if (!value) continue;
    Value v = *value;
    const bool counted = v.type == platform::ValueType::dword || (v.type == platform::ValueType::binary && v.data.size() == 4);
    if (!counted) continue;
    const int32_t count = static_cast<int32_t>(v.asDword());
    if (count <= 1) {
      static_cast<void>((*key)->removeValue(name));
      continue;
    }
    const uint32_t lower = static_cast<uint32_t>(count - 1);
    for (int b = 0; b < 4; ++b) v.data[b] = static_cast<char>((lower >> (8 * b)) & 0xFF);
    static_cast<void>((*key)->write(name, v));
  }
}

}  // namespace

void RollBack(startup::SetupContext& ctx, InstallerUi& ui) {
  const startup::WindowState& w = ctx.window;
  const startup::RunLists& lists = ctx.lists;
  platform::FileSystem& fs = ctx.os.files();

  ui.showRollbackBanner(true);
  ui.processMessages();

  if (w.has(startup::afOldEngineRemoved) && !w.has(startup::afEngineConfigured)) {
    ctx.ui.setCursor(startup::Cursor::arrow);
    ui.showStopMessage(kEngineUpdateWarning, kEngineUpdateCaption);
    ctx.ui.setCursor(startup::Cursor::wait);
  }

  // Failures are passed over: each list is walked to its end.
  for (const std::string& f : lists.PlacedFiles) static_cast<void>(fs.removeFile(f));
  for (const std::string& f : lists.ReplaceTempFiles) static_cast<void>(fs.removeFile(f));
  for (auto it = lists.CreatedDirs.rbegin(); it != lists.CreatedDirs.rend(); ++it)
    static_cast<void>(fs.removeDirectory(*it));

  if (w.has(startup::afLinks)) {
    for (const std::string& f : lists.CreatedLinks) static_cast<void>(fs.removeFile(f));
    for (auto it = lists.CreatedShellFolders.rbegin(); it != lists.CreatedShellFolders.rend(); ++it)
      static_cast<void>(fs.removeDirectory(*it));
  }

  if (w.has(startup::afRegistry)) {
    for (size_t i = lists.RegistryChanges.size(); i-- > 0;) {
      const std::string old = i < lists.RegistryOldValues.size() ? lists.RegistryOldValues[i] : std::string();
      RestoreValue(ctx.os.registry(), lists.RegistryChanges[i], old);
    }
  }

  LowerSharedCounts(ctx.os.registry(), lists.UninstallLines);

  for (const std::string& f : lists.TempFileList)
    if (fs.fileExists(f)) static_cast<void>(fs.removeFile(f));
}

}  // namespace process
