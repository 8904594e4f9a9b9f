#pragma once
// The machine the engine works on. The engine core reaches the operating
// system only through this object: the Windows backend (platform/win32) or
// the in-memory machine (platform/sim).

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace platform {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual FileSystem& files() = 0;
  virtual Registry& registry() = 0;
  virtual System& system() = 0;
  virtual Shell& shell() = 0;
  virtual Processes& processes() = 0;
  virtual Libraries& libraries() = 0;
  virtual TypeLibraries& typeLibraries() = 0;
};

}  // namespace platform
