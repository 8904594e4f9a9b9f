#include "platform/sim/system_state.h"

#include "platform/restart.h"

#include "platform/sim/file_store.h"
#include "platform/sim/registry_store.h"
#include "platform/system_paths.h"

namespace platform::sim {

namespace {
constexpr const char* sessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* pendingRenamesValue = "PendingFileRenameOperations";
}  // namespace

SystemState::SystemState(Faults& faults, FileStore& files, RegistryStore& registry)
    : faults_(faults), files_(files), registry_(registry) {}

Status SystemState::setCurrentDirectory(const std::string& path) {
  auto parts = parsePath(path, currentDirectory_);
  if (!parts) return parts.status();
  auto info = files_.stat(parts->text());
  if (!info) return info.status();
  if (!info->isDirectory()) return Status(Code::invalidArgument, native::directoryName, "not a directory: " + path);
  currentDirectory_ = parts->text();
  return {};
}

Status SystemState::moveAtReboot(const std::string& from, const std::string& to) {
  if (Status fault = faults_.check(Op::moveAtReboot); !fault) return fault;
  auto source = parsePath(from, currentDirectory_);
  if (!source) return source.status();
  std::string target;
  if (!to.empty()) {
    auto parsed = parsePath(to, currentDirectory_);
    if (!parsed) return parsed.status();
    target = parsed->text();
  }
  rebootMoves_.push_back(RebootMove{source->text(), target});
  // Windows NT keeps the list as pairs of NT names in one multi-string;
  // "!" marks a move that may replace an existing file.
  std::string list;
  if (auto existing = registry_.value(Root::localMachine, sessionManagerKey, pendingRenamesValue))
    list = existing->data + std::string(1, '\0');
  list += "\\??\\" + source->text() + std::string(1, '\0') + (target.empty() ? "" : "!\\??\\" + target);
  return registry_.setValue(Root::localMachine, sessionManagerKey, pendingRenamesValue,
                            Value{ValueType::multiString, list});
}

void SystemState::setModulePathUnicode(const std::u16string& longPath, std::optional<std::u16string> shortPath) {
  modulePath_ = SystemPathIn1251(longPath, [&](std::u16string_view) { return shortPath; });
}

Status SystemState::restart() {
  return RequestRestart([this] { return enableShutdownPrivilege(); }, [this] { return requestRestart(); });
}

Status SystemState::enableShutdownPrivilege() {
  if (Status fault = faults_.check(Op::shutdownPrivilege); !fault) return fault;
  shutdownPrivilege_ = true;
  return {};
}

Status SystemState::requestRestart() {
  ++restartRequests_;
  if (Status fault = faults_.check(Op::restartRequest); !fault) return fault;
  constexpr uint32_t privilegeNotHeld = 1314;
  if (osVersion_.platformId == 2 && !shutdownPrivilege_)
    return Status(Code::accessDenied, privilegeNotHeld, "the shutdown privilege is not enabled");
  ++restarts_;
  return {};
}

std::string SystemState::toString() const {
  std::string out = "  windows " + windowsDirectory_ + ", system " + systemDirectory_ + ", module " + modulePath_ +
                    ", current " + currentDirectory_ + "\n";
  out += "  os " + std::to_string(osVersion_.platformId) + ":" + std::to_string(osVersion_.major) + "." +
         std::to_string(osVersion_.minor) + "." + std::to_string(osVersion_.build) + "\n";
  for (const RebootMove& m : rebootMoves_)
    out += "  at reboot: " + m.from + " -> " + (m.to.empty() ? std::string("(delete)") : m.to) + "\n";
  if (restartRequests_ > 0)
    out += "  restart requested x" + std::to_string(restartRequests_) + ", accepted x" + std::to_string(restarts_) + "\n";
  for (uint32_t b : beeps_) out += "  beep " + std::to_string(b) + "\n";
  return out;
}

}  // namespace platform::sim
