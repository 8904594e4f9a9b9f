#include "rar/status.h"

namespace rar {

const char* errorName(Error e) {
  switch (e) {
    case Error::none: return "ok";
    case Error::cannotOpen: return "cannot open";
    case Error::notRar: return "not a RAR archive";
    case Error::corruptHeader: return "corrupt header";
    case Error::corruptData: return "corrupt data";
    case Error::badPassword: return "wrong password";
    case Error::missingPassword: return "password required";
    case Error::unsupported: return "unsupported";
    case Error::missingVolume: return "missing volume";
    case Error::aborted: return "aborted";
    case Error::writeFailed: return "write failed";
    case Error::readFailed: return "read failed";
    case Error::unsafePath: return "unsafe member name";
    case Error::truncated: return "truncated";
    case Error::outputLimit: return "output limit";
  }
  return "unknown";
}

std::string Status::toString() const {
  std::string s = errorName(error_);
  if (!message_.empty()) s += ": " + message_;
  return s;
}

}  // namespace rar
