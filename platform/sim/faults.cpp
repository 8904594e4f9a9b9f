#include "platform/sim/faults.h"

namespace platform::sim {

const char* opName(Op op) {
  switch (op) {
    case Op::openForWrite: return "openForWrite";
    case Op::write: return "write";
    case Op::removeFile: return "removeFile";
    case Op::createDirectory: return "createDirectory";
    case Op::removeDirectory: return "removeDirectory";
    case Op::rename: return "rename";
    case Op::copy: return "copy";
    case Op::setAttributes: return "setAttributes";
    case Op::registryCreate: return "registryCreate";
    case Op::registryWrite: return "registryWrite";
    case Op::registryRemove: return "registryRemove";
    case Op::moveAtReboot: return "moveAtReboot";
    case Op::processRun: return "processRun";
    case Op::libraryLoad: return "libraryLoad";
    case Op::typeLibraryRegister: return "typeLibraryRegister";
    case Op::shutdownPrivilege: return "shutdownPrivilege";
    case Op::restartRequest: return "restartRequest";
  }
  return "?";
}

void Faults::failNth(Op op, uint32_t n, Status status) {
  if (n == 0) return;  // nothing is the 0th operation
  pending_.push_back(Pending{op, n, std::move(status)});
}

Status Faults::check(Op op) {
  Status result;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->op == op && --it->remaining == 0) {
      if (result.ok()) result = it->status;
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  return result;
}

std::string Faults::toString() const {
  std::string s;
  for (const Pending& p : pending_)
    s += std::string("  ") + opName(p.op) + " in " + std::to_string(p.remaining) + ": " + p.status.toString() + "\n";
  return s;
}

}  // namespace platform::sim
