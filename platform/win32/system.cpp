#include "platform/win32/system.h"

#include <vector>

#include "platform/restart.h"
#include "platform/win32/api.h"

namespace platform::win32 {

namespace {

// Calls a "fill this buffer, return the length" function until the buffer
// is large enough.
template <typename Fill>
std::string filled(Fill fill) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const UINT n = fill(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return narrowPath(std::wstring(buffer.data(), n));
    buffer.resize(n + 1);
  }
}

}  // namespace

OsVersion WindowsSystem::osVersion() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  OsVersion v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
  if (!ok) return v;
  v.platformId = info.dwPlatformId;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  v.build = info.dwBuildNumber;
  v.servicePack = narrow(info.szCSDVersion, wcsnlen(info.szCSDVersion, 128));
  return v;
}

ProcessorInfo WindowsSystem::processor() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return ProcessorInfo{info.wProcessorArchitecture, info.dwProcessorType, info.wProcessorLevel,
                       info.wProcessorRevision, info.dwNumberOfProcessors};
}

std::string WindowsSystem::windowsDirectory() {
  return filled([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
}

std::string WindowsSystem::systemDirectory() {
  return filled([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
}

std::string WindowsSystem::modulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return narrowPath(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // truncated
  }
}

std::string WindowsSystem::currentDirectory() {
  return filled([](wchar_t* b, UINT n) { return static_cast<UINT>(::GetCurrentDirectoryW(n, b)); });
}

Status WindowsSystem::setCurrentDirectory(const std::string& path) {
  if (!::SetCurrentDirectoryW(wide(path).c_str())) return lastError("current directory " + path);
  return {};
}

Status WindowsSystem::moveAtReboot(const std::string& from, const std::string& to) {
  const std::wstring source = wide(from);
  const std::wstring target = wide(to);
  const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to.empty() ? 0 : MOVEFILE_REPLACE_EXISTING);
  if (!::MoveFileExW(source.c_str(), to.empty() ? nullptr : target.c_str(), flags))
    return lastError("replace at restart " + from);
  return {};
}

Status WindowsSystem::restart() {
  // A failed privilege step does not stop the request: Windows itself then
  // accepts or refuses.
  return RequestRestart([this] { return enableShutdownPrivilege(); }, [this] { return requestRestart(); });
}

Status WindowsSystem::enableShutdownPrivilege() {
  // The program's own process, opened by its id with all access, as the
  // restart has always done; its token then takes the one privilege.
  UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, ::GetCurrentProcessId()));
  if (!process) return lastError("open the setup process");
  UniqueHandle token;
  if (!::OpenProcessToken(process.get(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    return lastError("open process token");
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
    return lastError("look up the shutdown privilege");
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr))
    return lastError("enable the shutdown privilege");
  if (::GetLastError() == ERROR_NOT_ALL_ASSIGNED) return fromWin32(ERROR_NOT_ALL_ASSIGNED, "the shutdown privilege is not held");
  return {};
}

Status WindowsSystem::requestRestart() {
  if (!::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                                       SHTDN_REASON_FLAG_PLANNED))
    return lastError("restart Windows");
  return {};
}

void WindowsSystem::beep(uint32_t type) {
  // No sound device is nothing to report: a beep is a courtesy.
  if (!::MessageBeep(type)) return;
}

}  // namespace platform::win32
