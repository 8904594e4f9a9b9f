#include "platform/status.h"

namespace platform {

const char* codeName(Code code) {
  switch (code) {
    case Code::ok: return "ok";
    case Code::notFound: return "not found";
    case Code::pathNotFound: return "path not found";
    case Code::accessDenied: return "access denied";
    case Code::sharingViolation: return "file in use";
    case Code::alreadyExists: return "already exists";
    case Code::notEmpty: return "directory not empty";
    case Code::diskFull: return "disk full";
    case Code::invalidArgument: return "invalid argument";
    case Code::ioError: return "I/O error";
    case Code::notSupported: return "not supported";
    case Code::failed: return "failed";
  }
  return "unknown";
}

std::string Status::toString() const {
  std::string s = codeName(code_);
  if (native_ != 0) s += " (native " + std::to_string(native_) + ")";
  if (!message_.empty()) s += ": " + message_;
  return s;
}

}  // namespace platform
