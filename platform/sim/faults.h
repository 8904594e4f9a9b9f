#pragma once
// Fault injection for the in-memory machine: "the n-th operation of this
// kind from now on fails with this status".

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform::sim {

enum class Op {
  openForWrite,     // open with createAlways or readWrite, and temp file creation
  write,            // File::write
  removeFile,
  createDirectory,
  removeDirectory,
  rename,
  copy,
  setAttributes,
  registryCreate,   // Registry::create
  registryWrite,    // RegistryKey::write
  registryRemove,   // Registry::removeKey and RegistryKey::removeValue
  moveAtReboot,
  processRun,
  libraryLoad,
  typeLibraryRegister,
  shutdownPrivilege,  // System::enableShutdownPrivilege
  restartRequest,     // System::requestRestart
};

const char* opName(Op op);

class Faults {
 public:
  // The n-th (1-based) operation of kind `op` counted from this call fails
  // with `status`. Several faults may be pending, also for one kind.
  void failNth(Op op, uint32_t n, Status status);
  // Counts one operation of kind `op`; the status of a fault that falls due,
  // or success.
  Status check(Op op);
  void clear() { pending_.clear(); }
  std::string toString() const;

 private:
  struct Pending {
    Op op;
    uint32_t remaining;
    Status status;
  };
  std::vector<Pending> pending_;
};

}  // namespace platform::sim
