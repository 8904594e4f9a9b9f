#include "platform/restart.h"

namespace platform {

Status RequestRestart(const std::function<Status()>& enableShutdownPrivilege,
                      const std::function<Status()>& exitWindows) {
  const Status privilege = enableShutdownPrivilege();
  static_cast<void>(privilege);  // the request says whether it was enough
  return exitWindows();
}

}  // namespace platform
