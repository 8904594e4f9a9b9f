#pragma once
// Ready-made behaviours for the simulated machine: in-process COM servers
// that register and unregister their classes, and a database engine that is
// absent, present with a version, or present but failing to start. Tests
// and the tool's machine descriptions build on these.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sim/machine.h"

namespace platform::sim {

struct ComServerInfo {
  std::string progId;                // empty: registration writes no ProgID key
  std::string clsid;                 // "{...}"
  uint32_t registerStatus = 0;       // what DllRegisterServer returns
  uint32_t unregisterStatus = 0;     // what DllUnregisterServer returns
  bool exportsEntries = true;        // false: neither entry exists
};

// The file at `path` (created when missing) becomes an in-process server.
// A DllRegisterServer returning 0 writes HKEY_CLASSES_ROOT ProgID\CLSID =
// clsid and CLSID\clsid\InprocServer32 = path (and ProgID); a
// DllUnregisterServer returning 0 removes those keys.
Status addComServer(Machine& machine, const std::string& path, const ComServerInfo& info);

enum class EngineStart {
  works,          // starts, its three lists open and close
  failsToStart,   // the start entry returns a non-zero status
  listFails,      // starts, but the second list does not open
};

// What the simulated engine library saw.
struct EngineCalls {
  int starts = 0;
  int stops = 0;
  int cursorsOpened = 0;
  int cursorsClosed = 0;
};

struct DatabaseEngineInfo {
  std::string dir = "C:\\Program Files\\Borland\\Common Files\\BDE";
  std::string version = "5.1.1.1";  // FileVersion of idapi32.dll; empty: no version resource
  EngineStart start = EngineStart::works;
  std::string useCount = "1";
  bool sharedCounts = true;  // SharedDLLs counts for its files
};

// An installed engine in `dir`: idapi32.dll (entries by name and ordinal,
// a COM server), idsql32.dll (a COM server), bdeadmin.exe, the language
// driver blw32.dll and the configuration file IDAPI32.CFG; the engine's key
// (DLLPATH, CONFIGFILE01, UseCount), the language drivers' key (BLAPIPATH)
// and, with sharedCounts, a SharedDLLs count of 1 for each file.
std::shared_ptr<EngineCalls> addDatabaseEngine(Machine& machine, const DatabaseEngineInfo& info);

// Only the engine library (no keys, no other files), for presence tests.
std::shared_ptr<EngineCalls> addEngineLibrary(Machine& machine, const std::string& path, EngineStart start);

}  // namespace platform::sim
