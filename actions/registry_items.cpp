#include "actions/registry_items.h"

#include <memory>
#include <optional>
#include <vector>

#include "startup/path_macros.h"
#include "startup/tools.h"
#include "startup/uninstall_lines.h"

namespace actions {

namespace {

using platform::Value;
using platform::ValueType;

// The log lines are assembled in 255-character strings up to their last
// field; the uninstaller reads them that way.
std::string Cut255(std::string s) {
  if (s.size() > 255) s.resize(255);
  return s;
}

std::string HexByte(unsigned char b) {
  static const char digits[] = "0123456789ABCDEF";
  return {digits[b >> 4], digits[b & 15]};
}

// The type letter and text of a value's former content; nothing for types
// the record has no form for.
struct SavedValue {
  char letter;
  std::string text;
};

std::optional<SavedValue> Saved(const Value& value) {
  switch (value.type) {
    case ValueType::string:
    case ValueType::expandString: return SavedValue{'S', value.data};
    case ValueType::dword: return SavedValue{'D', std::to_string(static_cast<int32_t>(value.asDword()))};
    case ValueType::binary: {
      std::string bytes;
      for (size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) bytes += '.';
        bytes += HexByte(static_cast<unsigned char>(value.data[i]));
      }
      return SavedValue{'B', bytes};
    }
    default: return std::nullopt;
  }
}

// One piece of "B" data: a hexadecimal number of which the low 8 bits
// count; anything that is not such a number (or does not fit 32 bits) is 0.
char BytePiece(std::string_view piece) {
  uint32_t value = 0;
  size_t significant = 0;
  for (char c : piece) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return 0;
    if (value != 0 || digit != 0) ++significant;
    if (significant > 8) return 0;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return static_cast<char>(value & 0xFF);
}

std::string BinaryData(std::string_view data) {
  std::string bytes;
  size_t start = 0;
  while (start <= data.size()) {
    size_t dot = data.find('.', start);
    if (dot == std::string_view::npos) dot = data.size();
    if (dot > start) bytes += BytePiece(data.substr(start, dot - start));
    start = dot + 1;
  }
  return bytes;
}

// What the item writes: a value, nothing (a type letter the step does not
// know), or data that cannot be written.
struct NewValue {
  enum Kind { write, nothing, invalid } kind;
  Value value;
};

NewValue NewValueOf(startup::SetupContext& ctx, const startup::RegistryItem& item) {
  const char letter = item.DataType.empty() ? '\0' : item.DataType.str()[0];
  switch (letter) {
    case 'S': {
      const startup::MacroEnvironment env{ctx.model, ctx.os};
      return {NewValue::write, Value::text(startup::ExpandPathMacros(env, item.Data.str()))};
    }
    case 'D': {
      const std::optional<int32_t> number = startup::ParseScriptInteger(item.Data.str());
      if (!number) return {NewValue::invalid, {}};
      return {NewValue::write, Value::dword(static_cast<uint32_t>(*number))};
    }
    case 'B': return {NewValue::write, Value::binaryData(BinaryData(item.Data.str()))};
    default: return {NewValue::nothing, {}};
  }
}

// The long name of a root the step writes under; nothing for any other.
const char* LongRootName(uint32_t root) {
  switch (static_cast<platform::Root>(root)) {
    case platform::Root::classesRoot:
    case platform::Root::currentUser:
    case platform::Root::localMachine:
    case platform::Root::users: return platform::rootName(static_cast<platform::Root>(root));
    default: return nullptr;
  }
}

// The keys on the way to `path` that do not exist yet, shallowest first:
// what creating it adds.
std::vector<std::string> MissingKeyLevels(platform::Registry& registry, platform::Root root, const std::string& path) {
  std::vector<std::string> missing;
  std::string level;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) {
      level = path.substr(0, end);
      if (!missing.empty() || !registry.keyExists(root, level)) missing.push_back(level);
    }
    pos = end + 1;
  }
  return missing;
}

// Takes away the keys an item created before it failed, deepest first, as
// long as they are empty: the item has no change record, so the rollback
// would not find them.
void RemoveCreatedKeys(platform::Registry& registry, platform::Root root, const std::vector<std::string>& created) {
  for (auto it = created.rbegin(); it != created.rend(); ++it) {
    auto key = registry.open(root, *it, platform::Access::read);
    if (!key) continue;  // never made
    const auto subkeys = (*key)->subkeys();
    const auto values = (*key)->valueNames();
    key = platform::Status();
    if (!subkeys || !values || !subkeys->empty() || !values->empty()) return;
    if (!registry.removeKey(root, *it)) return;
  }
}

bool ApplyRegistryItem(startup::SetupContext& ctx, RunEnd& end, const startup::RegistryItem& item) {
  startup::RunLists& lists = ctx.lists;
  platform::Registry& registry = ctx.os.registry();
  const std::string& keyPath = item.KeyPath.str();
  const std::string& valueName = item.ValueName.str();
  const std::string rootNumber = std::to_string(item.Root);
  const char* rootName = LongRootName(item.Root);
  const auto root = static_cast<platform::Root>(item.Root);

  std::unique_ptr<platform::RegistryKey> key;
  std::vector<std::string> createdKeys;
  if (rootName && registry.keyExists(root, keyPath)) {
    lists.UninstallLines.push_back(Cut255(std::string(startup::log::kRegOpenKey) + keyPath + ",") + rootNumber);
    auto opened = registry.open(root, keyPath, platform::Access::all);
    if (!opened) {
      ReportActionError(ctx, end, aeOpenKey, keyPath);
      return false;
    }
    key = std::move(*opened);
  } else {
    // An unrecognised root has no keys: nothing can be created under it.
    if (rootName) createdKeys = MissingKeyLevels(registry, root, keyPath);
    // Every level the run creates gets its line, the outer ones first, so the
    // uninstaller removes the whole new chain (it deletes a created key only
    // when it is empty), not just its last key.
    for (size_t i = 0; i + 1 < createdKeys.size(); ++i)  // the last level is the key itself
      lists.UninstallLines.push_back(Cut255(std::string(startup::log::kRegCreateKey) + createdKeys[i] + ",") +
                                     rootNumber);
    lists.UninstallLines.push_back(Cut255(std::string(startup::log::kRegCreateKey) + keyPath + ",") + rootNumber);
    auto created = rootName ? registry.create(root, keyPath) : platform::Result<std::unique_ptr<platform::RegistryKey>>(
                                                                    platform::Code::invalidArgument);
    if (!created) {
      if (rootName) RemoveCreatedKeys(registry, root, createdKeys);  // a chain made half-way
      ReportActionError(ctx, end, aeCreateKey, keyPath);
      return false;
    }
    key = std::move(*created);
  }

  const platform::Result<Value> former = key->read(valueName);
  std::string savedEntry;
  if (former) {
    if (const std::optional<SavedValue> saved = Saved(*former)) {
      lists.UninstallLines.push_back(
          Cut255(std::string(startup::log::kRegOldValue) + valueName + "," + saved->letter + ",") + saved->text);
      savedEntry = saved->letter + saved->text;
    }
  }
  lists.RegistryOldValues.push_back(savedEntry);
  lists.UninstallLines.push_back(Cut255(std::string(startup::log::kRegWriteValue) + valueName));

  // The former value is replaced by the write itself rather than deleted
  // before it, so a write that fails (or data that is no number) leaves it
  // in place. Only an item that writes nothing removes it.
  const NewValue next = NewValueOf(ctx, item);
  platform::Status written;
  if (next.kind == NewValue::nothing) {
    if (former) {
      const platform::Status removed = key->removeValue(valueName);
      static_cast<void>(removed);  // a value that stays is what the item's record restores anyway
    }
  } else if (next.kind == NewValue::invalid) {
    written = platform::Status(platform::Code::invalidArgument);
  } else {
    written = key->write(valueName, next.value);
  }
  if (!written) {
    key.reset();
    RemoveCreatedKeys(registry, root, createdKeys);
    ReportActionError(ctx, end, aeWriteValue, keyPath + "\\" + valueName);
    return false;
  }
  lists.RegistryChanges.push_back(RegistryChangeRecord(item.Root, keyPath, valueName));
  const platform::Status flushed = key->flush();
  static_cast<void>(flushed);  // the value is written; a late flush is the system's
  return true;
}

}  // namespace

std::string RegistryChangeRecord(uint32_t root, const std::string& keyPath, const std::string& valueName) {
  const char* name = LongRootName(root);
  return std::string(name ? name : "") + "\\" + keyPath + "|" + valueName;
}

bool ApplyRegistryItems(startup::SetupContext& ctx, RunEnd& end) {
  // A copy: the reporter releases the script tables on a failure.
  const std::vector<startup::RegistryItem> items = ctx.model.RegData;
  for (const startup::RegistryItem& item : items)
    if (!ApplyRegistryItem(ctx, end, item)) return false;
  return true;
}

}  // namespace actions
