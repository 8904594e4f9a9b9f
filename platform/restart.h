#pragma once
// The order of a Windows restart, apart from the calls that make it.

#include <functional>

#include "platform/status.h"

namespace platform {

// Takes the shutdown privilege, then asks Windows to restart. A failed
// privilege step is passed over: the restart request is made all the same
// (Windows 9x has no privileges; elsewhere Windows itself then refuses or
// accepts). The result is the request's.
Status RequestRestart(const std::function<Status()>& enableShutdownPrivilege,
                      const std::function<Status()>& exitWindows);

}  // namespace platform
