#include "uninstall/undo.h"

#include <cctype>
#include <charconv>
#include <optional>

#include "actions/com_registration.h"
#include "bde/engine.h"
#include "startup/uninstall_lines.h"

namespace uninstall {

namespace {

using platform::Code;
using platform::Root;
using platform::Status;
using platform::Value;
using platform::ValueType;

constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kEngineKey[] = "Software\\Borland\\Database Engine";

bool Missing(const Status& s) { return s.code() == Code::notFound || s.code() == Code::pathNotFound; }

// One value written by the run under a key line.
struct ValueChange {
  std::string name;
  std::optional<Value> old;  // the content before the run; none when the run created it
  size_t line = 0;           // index of the RegWriteValue line
  size_t oldLine = 0;        // index of the RegOldValue line, or 0
};

// What a run of log lines means, in the order the run made the changes.
struct Action {
  LineKind kind = LineKind::unknown;
  std::string path;                  // file, directory, key or value name
  std::vector<size_t> lines;         // the log lines it stands for
  KeyLine key;                       // registry actions
  std::vector<ValueChange> values;   // registry actions
};

class Undoer {
 public:
  Undoer(startup::SetupContext& ctx, UndoUi& ui, UndoReport& report) : ctx_(ctx), ui_(ui), report_(report) {}

  // True when the action is done (or had nothing left to do).
  bool Run(const Action& a) {
    switch (a.kind) {
      case LineKind::dir:
      case LineKind::shellFolder:
        return RemoveDirectory(a.path);
      case LineKind::file:
      case LineKind::shellLink:
        return RemoveFile(a.path);
      case LineKind::sharedIncrement:
        return ReleaseSharedFile(a.path);
      case LineKind::regOpenKey:
      case LineKind::regCreateKey:
        return UndoKey(a);
      case LineKind::useBde:
        return ReleaseEngine();
      case LineKind::regEntry:
        return RemoveUninstallEntry(a.path);
      case LineKind::ocx:
        return Unregister(a.path, actions::RegisterServer(ctx_, a.path, actions::kUnregister), "OCX");
      case LineKind::tlb:
        return Unregister(a.path, actions::RegisterTypeLibrary(ctx_, a.path, actions::kUnregister), "TLB");
      default:
        return true;
    }
  }

  bool Refuse(const Action& a) {
    report_.problems.push_back("Недопустимый путь в журнале, пропущен: " + a.path);
    return false;
  }

 private:
  platform::FileSystem& fs() { return ctx_.os.files(); }
  platform::Registry& reg() { return ctx_.os.registry(); }

  bool RemoveDirectory(const std::string& path) {
    auto info = fs().stat(path);
    if (!info) return true;  // gone already
    if (!info.value().isDirectory()) return true;
    auto entries = fs().list(path);
    if (entries && !entries.value().empty()) return true;  // others' files: kept, as the conventions ask
    Status s = fs().removeDirectory(path);
    if (s.ok() || Missing(s)) return true;
    report_.problems.push_back("Не удалось удалить папку " + path + ": " + s.toString());
    return false;
  }

  bool RemoveFile(const std::string& path) {
    auto info = fs().stat(path);
    if (!info) return true;
    if (info.value().isDirectory()) {
      report_.problems.push_back("Вместо файла найдена папка, не удалена: " + path);
      return false;
    }
    Status s = fs().removeFile(path);
    if (s.code() == Code::accessDenied && (info.value().attributes & platform::attr::readOnly)) {
      fs().setAttributes(path, info.value().attributes & ~platform::attr::readOnly);
      s = fs().removeFile(path);
    }
    if (s.ok() || Missing(s)) return true;
    if (s.code() == Code::sharingViolation || s.code() == Code::accessDenied) {
      Status later = ctx_.os.system().moveAtReboot(path, "");
      if (later.ok()) {
        report_.scheduled.push_back(path);
        return true;
      }
    }
    report_.problems.push_back("Не удалось удалить файл " + path + ": " + s.toString());
    return false;
  }

  bool ReleaseSharedFile(const std::string& path) {
    auto key = reg().open(Root::localMachine, kSharedDllsKey, platform::Access::all);
    if (!key) return true;  // nothing counts the file any more
    auto value = key.value()->read(path);
    if (!value) return true;
    const Value& v = value.value();
    int32_t count;
    if (v.type == ValueType::dword || (v.type == ValueType::binary && v.data.size() == 4)) {
      count = static_cast<int32_t>(v.asDword());
    } else {
      return true;  // a count of a kind the engine never raises
    }
    if (count > 1) {
      Value next = v;
      uint32_t n = static_cast<uint32_t>(count - 1);
      for (int i = 0; i < 4; ++i) next.data[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
      Status s = key.value()->write(path, next);
      if (s.ok()) return true;
      report_.problems.push_back("Не удалось уменьшить счётчик использования " + path + ": " + s.toString());
      return false;
    }
    // The last user is gone: the file may go, as Windows asks of every
    // uninstaller, when the user agrees.
    if (!ui_.askRemoveSharedFile(path)) return true;
    if (!RemoveFile(path)) return false;
    Status s = key.value()->removeValue(path);
    if (s.ok() || Missing(s)) return true;
    report_.problems.push_back("Не удалось удалить счётчик использования " + path + ": " + s.toString());
    return false;
  }

  bool UndoKey(const Action& a) {
    auto key = reg().open(a.key.root, a.key.path, platform::Access::all);
    if (!key) {
      if (Missing(key.status())) return true;
      report_.problems.push_back("Не удалось открыть раздел реестра " + std::string(platform::rootName(a.key.root)) +
                                 "\\" + a.key.path + ": " + key.status().toString());
      return false;
    }
    bool ok = true;
    for (auto it = a.values.rbegin(); it != a.values.rend(); ++it) {
      Status s = it->old ? key.value()->write(it->name, *it->old) : key.value()->removeValue(it->name);
      if (!s.ok() && !Missing(s)) {
        report_.problems.push_back("Не удалось восстановить значение " + it->name + " в разделе " + a.key.path + ": " +
                                   s.toString());
        ok = false;
      }
    }
    if (a.kind == LineKind::regCreateKey && ok && !a.key.path.empty()) {
      auto subkeys = key.value()->subkeys();
      auto names = key.value()->valueNames();
      key.value().reset();
      if (subkeys && names && subkeys.value().empty() && names.value().empty()) {
        Status s = reg().removeKey(a.key.root, a.key.path);
        if (!s.ok() && !Missing(s)) {
          report_.problems.push_back("Не удалось удалить раздел реестра " + a.key.path + ": " + s.toString());
          ok = false;
        }
      }
    }
    return ok;
  }

  bool ReleaseEngine() {
    auto key = reg().open(Root::localMachine, kEngineKey, platform::Access::all);
    if (!key) return true;
    auto value = key.value()->read("UseCount");
    int64_t count = 0;
    if (value && value.value().isText()) {
      const std::string& t = value.value().data;
      std::from_chars(t.data(), t.data() + t.size(), count);
    }
    if (count > 1) {
      Status s = key.value()->write("UseCount", Value::text(std::to_string(count - 1)));
      if (s.ok()) return true;
      report_.problems.push_back("Не удалось уменьшить счётчик пользователей BDE: " + s.toString());
      return false;
    }
    Status s = key.value()->write("UseCount", Value::text("0"));
    key.value().reset();
    if (!s.ok()) {
      report_.problems.push_back("Не удалось уменьшить счётчик пользователей BDE: " + s.toString());
      return false;
    }
    if (ui_.askRemoveEngine()) bde::RemoveEngine(ctx_);
    return true;
  }

  bool RemoveUninstallEntry(const std::string& ukey) {
    std::string path = kUninstallKey + ukey;
    auto key = reg().open(Root::localMachine, path, platform::Access::all);
    if (!key) return true;
    // Only the two values the engine writes go; a key that holds more (an
    // installation of something else under the same name) stays.
    key.value()->removeValue("DisplayName");
    key.value()->removeValue("UninstallString");
    auto names = key.value()->valueNames();
    auto subkeys = key.value()->subkeys();
    key.value().reset();
    if (names && subkeys && names.value().empty() && subkeys.value().empty()) {
      Status s = reg().removeKey(Root::localMachine, path);
      if (!s.ok() && !Missing(s)) {
        report_.problems.push_back("Не удалось удалить запись об установке " + ukey + ": " + s.toString());
        return false;
      }
    }
    return true;
  }

  bool Unregister(const std::string& path, actions::RegisterResult result, const char* kind) {
    if (result == actions::Success || result == actions::FileNotFound || result == actions::LoadFail) return true;
    report_.problems.push_back(std::string("Не удалось отменить регистрацию ") + kind + " " + path + ": " +
                               actions::RegisterResultWord(result));
    return false;
  }

  startup::SetupContext& ctx_;
  UndoUi& ui_;
  UndoReport& report_;
};

bool NeedsPath(LineKind k) {
  switch (k) {
    case LineKind::dir:
    case LineKind::file:
    case LineKind::sharedIncrement:
    case LineKind::shellFolder:
    case LineKind::shellLink:
    case LineKind::ocx:
    case LineKind::tlb:
      return true;
    default:
      return false;
  }
}

// Groups the lines into actions: a key line with the value lines after it
// is one action; every other line is one of its own.
std::vector<Action> Plan(const UninstallLog& log, std::vector<std::string>& problems) {
  std::vector<Action> actions;
  Action* key = nullptr;
  constexpr size_t kNone = static_cast<size_t>(-1);
  size_t pendingOld = kNone;  // index of a RegOldValue line waiting for its write line
  for (size_t i = 0; i < log.lines.size(); ++i) {
    const LogLine& line = log.lines[i];
    switch (line.kind) {
      case LineKind::regOpenKey:
      case LineKind::regCreateKey: {
        auto parsed = ParseKeyLine(line.value);
        Action a;
        a.kind = line.kind;
        a.lines.push_back(i);
        if (!parsed) {
          problems.push_back("Строка " + std::to_string(line.number) + " журнала не прочитана: " + line.text);
          key = nullptr;
          continue;
        }
        a.key = *parsed;
        a.path = parsed->path;
        actions.push_back(std::move(a));
        key = &actions.back();
        pendingOld = kNone;
        continue;
      }
      case LineKind::regOldValue:
        pendingOld = i;
        continue;
      case LineKind::regWriteValue: {
        if (!key) {
          problems.push_back("Строка " + std::to_string(line.number) + " журнала без раздела реестра: " + line.text);
          pendingOld = kNone;
          continue;
        }
        ValueChange change;
        change.name = line.value;
        change.line = i;
        if (pendingOld != kNone) {
          const LogLine& old = log.lines[pendingOld];
          // "name,T,content": the name is known from the write line, so a
          // name with commas in it still splits right.
          if (old.value.size() > line.value.size() && old.value.compare(0, line.value.size(), line.value) == 0 &&
              old.value[line.value.size()] == ',') {
            change.old = ParseOldValue(old.value.substr(line.value.size() + 1));
          }
          change.oldLine = pendingOld;
          if (!change.old) {
            // The former content cannot be read back; writing a guess over
            // the value would lose it, so the value is left as it is.
            problems.push_back("Строка " + std::to_string(old.number) + " журнала не прочитана, значение " +
                               line.value + " оставлено: " + old.text);
            pendingOld = kNone;
            continue;
          }
          pendingOld = kNone;
        }
        key->values.push_back(std::move(change));
        key->lines.push_back(i);
        if (key->values.back().oldLine) key->lines.push_back(key->values.back().oldLine);
        continue;
      }
      default:
        break;
    }
    key = nullptr;
    pendingOld = kNone;
    Action a;
    a.kind = line.kind;
    a.path = line.value;
    a.lines.push_back(i);
    actions.push_back(std::move(a));
  }
  return actions;
}

}  // namespace

UndoReport UndoInstallation(startup::SetupContext& ctx, const std::string& logPath, const UninstallLog& log,
                            UndoUi& ui) {
  UndoReport report;
  std::vector<Action> actions = Plan(log, report.problems);

  // An installation whose Uninstall entry is gone was removed already (a
  // copy of its log run again): counting its shared files down a second
  // time would take them from other programs.
  for (const Action& a : actions) {
    if (a.kind == LineKind::regEntry &&
        !ctx.os.registry().keyExists(Root::localMachine, std::string(kUninstallKey) + a.path)) {
      report.alreadyRemoved = true;
      return report;
    }
  }

  std::vector<bool> left(log.lines.size(), false);
  Undoer undoer(ctx, ui, report);
  size_t total = actions.size(), done = 0;
  for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
    ui.progress(done, total, it->path);
    bool ok;
    if (NeedsPath(it->kind) && !IsSafeAbsolutePath(it->path)) {
      ok = undoer.Refuse(*it);
    } else if (it->kind == LineKind::regEntry && (it->path.empty() || it->path.find("..") != std::string::npos)) {
      ok = undoer.Refuse(*it);
    } else {
      ok = undoer.Run(*it);
    }
    if (ok) {
      ++report.undone;
    } else {
      for (size_t l : it->lines) left[l] = true;
    }
    ++done;
  }
  ui.progress(total, total, "");

  bool anyLeft = false;
  for (bool b : left) anyLeft = anyLeft || b;
  auto& fs = ctx.os.files();
  if (!anyLeft) {
    platform::Status s = fs.removeFile(logPath);
    report.logRemoved = s.ok() || Missing(s);
    if (!report.logRemoved) report.problems.push_back("Не удалось удалить журнал " + logPath + ": " + s.toString());
    return report;
  }
  // Keep what is left for a later run, and nothing that was undone.
  std::string text = std::string(startup::log::kHeader) + "\r\n" + log.title + "\r\n";
  for (size_t i = 0; i < log.lines.size(); ++i) {
    if (left[i]) text += log.lines[i].text + "\r\n";
  }
  auto file = fs.open(logPath, platform::OpenMode::createAlways);
  platform::Status s = file ? file.value()->write(text.data(), text.size()) : file.status();
  if (s.ok() && file) s = file.value()->close();
  if (!s.ok()) report.problems.push_back("Не удалось записать журнал " + logPath + ": " + s.toString());
  return report;
}

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Folded(std::string s) {
  while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void RemoveUninstaller(startup::SetupContext& ctx, const std::string& uninstallerPath, const UninstallLog& log,
                       UndoReport& report) {
  auto& fs = ctx.os.files();
  if (!report.logRemoved || !IsSafeAbsolutePath(uninstallerPath)) return;
  // Its folder, long and short, against the folders the installation made.
  std::string own = Folded(DirectoryOf(uninstallerPath));
  std::vector<std::string> created;
  bool ours = false;
  for (const LogLine& line : log.lines) {
    if (line.kind != LineKind::dir || !IsSafeAbsolutePath(line.value)) continue;
    created.push_back(line.value);
    auto shortForm = fs.shortPath(line.value);
    if (Folded(line.value) == own || (shortForm && Folded(shortForm.value()) == own)) ours = true;
  }
  if (!ours) return;
  Status s = fs.removeFile(uninstallerPath);
  bool later = false;
  if (!s.ok() && !Missing(s)) {
    if (!ctx.os.system().moveAtReboot(uninstallerPath, "").ok()) {
      report.problems.push_back("Не удалось удалить программу удаления " + uninstallerPath + ": " + s.toString());
      return;
    }
    report.scheduled.push_back(uninstallerPath);
    later = true;
  }
  // The folders it kept from being removed, innermost first.
  for (auto it = created.rbegin(); it != created.rend(); ++it) {
    auto entries = fs.list(*it);
    if (!entries) continue;
    if (entries.value().empty()) {
      fs.removeDirectory(*it);
    } else if (later && Folded(*it) == own && entries.value().size() == 1) {
      // Only the running uninstaller is left: the folder goes after it.
      if (ctx.os.system().moveAtReboot(*it, "").ok()) report.scheduled.push_back(*it);
    }
  }
}

}  // namespace uninstall
