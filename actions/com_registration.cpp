#include "actions/com_registration.h"

namespace actions {

const char* RegisterResultWord(RegisterResult result) {
  switch (result) {
    case LoadFail: return "LoadFail";
    case ProcNotFound: return "ProcNotFound";
    case RegFail: return "RegFail";
    case OleError: return "OleError";
    default: return "";
  }
}

// Placeholders until COM registration lands.
RegisterResult RegisterServer(startup::SetupContext&, const std::string&, uint8_t) { return Success; }
RegisterResult RegisterTypeLibrary(startup::SetupContext&, const std::string&, uint8_t) { return Success; }
bool CheckInstalledServer(startup::SetupContext&, const std::string&, uint8_t) { return false; }

}  // namespace actions
