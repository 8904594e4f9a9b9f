#pragma once
// The real machine: every Platform interface on the Windows API. Texts cross
// the boundary as UTF-16 converted from and to code page 1251, so names and
// messages are right whatever the system's ANSI code page.

#include "platform/platform.h"
#include "platform/win32/file_system.h"
#include "platform/win32/processes.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "platform/win32/system.h"

namespace platform::win32 {

class Machine : public Platform {
 public:
  FileSystem& files() override { return files_; }
  Registry& registry() override { return registry_; }
  System& system() override { return system_; }
  Shell& shell() override { return shell_; }
  Processes& processes() override { return processes_; }
  Libraries& libraries() override { return libraries_; }
  TypeLibraries& typeLibraries() override { return typeLibraries_; }

 private:
  WindowsFileSystem files_;
  WindowsRegistry registry_;
  WindowsSystem system_;
  WindowsShell shell_;
  WindowsProcesses processes_;
  WindowsLibraries libraries_;
  WindowsTypeLibraries typeLibraries_;
};

}  // namespace platform::win32
