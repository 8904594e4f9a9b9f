#include "platform/win32/api.h"

#include <optional>
#include <vector>

#include "platform/system_paths.h"
#include "text/codepage.h"

namespace platform::win32 {

std::wstring wide(const std::string& text) {
  const std::u16string units = text::toUtf16(text::CodePage::cp1251, text);
  return std::wstring(units.begin(), units.end());
}

std::string narrow(const wchar_t* text, size_t length) {
  std::u16string units(length, u'\0');
  for (size_t i = 0; i < length; ++i) units[i] = static_cast<char16_t>(text[i]);
  return text::fromUtf16(text::CodePage::cp1251, units);
}

std::string narrow(const std::wstring& text) { return narrow(text.data(), text.size()); }

std::string narrowPath(const std::wstring& path) {
  const std::u16string units(path.begin(), path.end());
  return SystemPathIn1251(units, [](std::u16string_view longPath) -> std::optional<std::u16string> {
    const std::wstring name(longPath.begin(), longPath.end());
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n = ::GetShortPathNameW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return std::nullopt;
      if (n < buffer.size()) return std::u16string(buffer.begin(), buffer.begin() + n);
      buffer.resize(n);
    }
  });
}

namespace {

Code codeOf(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return Code::ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
    case ERROR_PROC_NOT_FOUND:
    case ERROR_NOT_FOUND:
      return Code::notFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
      return Code::pathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return Code::accessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Code::sharingViolation;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Code::alreadyExists;
    case ERROR_DIR_NOT_EMPTY: return Code::notEmpty;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Code::diskFull;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_HANDLE:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      return Code::invalidArgument;
    case ERROR_NOT_SUPPORTED:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_CALL_NOT_IMPLEMENTED:
      return Code::notSupported;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_SECTOR_NOT_FOUND:
      return Code::ioError;
    default: return Code::failed;
  }
}

}  // namespace

Status fromWin32(DWORD error, const std::string& what) {
  if (error == ERROR_SUCCESS) return {};
  return Status(codeOf(error), error, what);
}

Status lastError(const std::string& what) {
  const DWORD error = ::GetLastError();
  return fromWin32(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error, what);
}

Status fromHresult(HRESULT hr, const std::string& what) {
  if (SUCCEEDED(hr)) return {};
  const auto code = static_cast<uint32_t>(hr);
  if (HRESULT_FACILITY(hr) == FACILITY_WIN32) return Status(codeOf(HRESULT_CODE(hr)), code, what);
  return Status(Code::failed, code, what);
}

}  // namespace platform::win32
