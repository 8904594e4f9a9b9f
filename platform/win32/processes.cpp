#include "platform/win32/processes.h"

#include <vector>

#include "platform/win32/api.h"

#include <oleauto.h>

namespace platform::win32 {

Result<uint32_t> WindowsProcesses::runAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  // CreateProcessW may write into the command line.
  std::wstring command = wide(commandLine);
  command.push_back(L'\0');
  const std::wstring directory = wide(workingDirectory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    // A missing working directory is a missing path, whatever error code
    // the system chose for it (ERROR_DIRECTORY on Windows).
    const DWORD error = ::GetLastError();
    if (!directory.empty()) {
      const DWORD attributes = ::GetFileAttributesW(directory.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Status(Code::pathNotFound, ERROR_DIRECTORY, "working directory " + workingDirectory);
    }
    ::SetLastError(error);
    return lastError("run " + commandLine);
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return lastError("wait for " + commandLine);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) return lastError("exit code of " + commandLine);
  return static_cast<uint32_t>(exitCode);
}

Result<uint32_t> WindowsProcesses::startAndWait(const ProcessStart& start) {
  std::wstring command = wide(start.commandLine);
  command.push_back(L'\0');
  const std::wstring directory = wide(start.workingDirectory);
  // The program gets the same start-up information as this one.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, start.creationFlags, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info))
    return lastError("run " + start.commandLine);
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return lastError("wait for " + start.commandLine);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) return lastError("exit code of " + start.commandLine);
  return static_cast<uint32_t>(exitCode);
}

namespace {

class WindowsLibrary : public Library {
 public:
  WindowsLibrary(UniqueModule module, std::string path) : module_(std::move(module)), path_(std::move(path)) {}

  bool hasEntry(const std::string& name) override { return ::GetProcAddress(module_.get(), name.c_str()) != nullptr; }

  Result<uint32_t> call(const std::string& name, std::span<const CallArg> args) override {
    const FARPROC proc = ::GetProcAddress(module_.get(), name.c_str());
    if (!proc) return lastError("entry " + name + " of " + path_);
    return invoke(proc, name, args);
  }

  bool hasOrdinal(uint16_t ordinal) override { return byOrdinal(ordinal) != nullptr; }

  Result<uint32_t> callOrdinal(uint16_t ordinal, std::span<const CallArg> args) override {
    const FARPROC proc = byOrdinal(ordinal);
    const std::string name = "#" + std::to_string(ordinal);
    if (!proc) return lastError("entry " + name + " of " + path_);
    return invoke(proc, name, args);
  }

 private:
  FARPROC byOrdinal(uint16_t ordinal) {
    return ::GetProcAddress(module_.get(), reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal)));
  }

  static Result<uint32_t> invoke(FARPROC proc, const std::string& name, std::span<const CallArg> args) {
    if (args.size() > 4) return Status(Code::invalidArgument, ERROR_INVALID_PARAMETER, "more than 4 arguments for " + name);
    // Numbers pass as they are; texts as pointers to zero-terminated copies
    // that live until the call returns; handles as pointers to
    // pointer-sized slots that are copied back afterwards.
    std::vector<std::string> texts;
    texts.reserve(args.size());
    uintptr_t handles[4] = {};
    uintptr_t word[4] = {};
    for (size_t i = 0; i < args.size(); ++i) {
      if (const auto* number = std::get_if<uint32_t>(&args[i])) {
        word[i] = *number;
      } else if (const auto* slot = std::get_if<HandleSlot>(&args[i])) {
        handles[i] = slot->value ? static_cast<uintptr_t>(*slot->value) : 0;
        word[i] = reinterpret_cast<uintptr_t>(&handles[i]);
      } else {
        texts.push_back(std::get<std::string>(args[i]));
        word[i] = reinterpret_cast<uintptr_t>(texts.back().c_str());
      }
    }
    const uint32_t result = dispatch(proc, args.size(), word);
    for (size_t i = 0; i < args.size(); ++i)
      if (const auto* slot = std::get_if<HandleSlot>(&args[i]); slot && slot->value) *slot->value = handles[i];
    return result;
  }

  static uint32_t dispatch(FARPROC proc, size_t count, const uintptr_t* word) {
    // "void (*)()" converts to any function pointer type without a warning.
    const auto generic = reinterpret_cast<void (*)()>(proc);
    using U = uintptr_t;
    switch (count) {
      case 0: return static_cast<uint32_t>(reinterpret_cast<DWORD(WINAPI*)()>(generic)());
      case 1: return static_cast<uint32_t>(reinterpret_cast<DWORD(WINAPI*)(U)>(generic)(word[0]));
      case 2: return static_cast<uint32_t>(reinterpret_cast<DWORD(WINAPI*)(U, U)>(generic)(word[0], word[1]));
      case 3:
        return static_cast<uint32_t>(reinterpret_cast<DWORD(WINAPI*)(U, U, U)>(generic)(word[0], word[1], word[2]));
      default:
        return static_cast<uint32_t>(
            reinterpret_cast<DWORD(WINAPI*)(U, U, U, U)>(generic)(word[0], word[1], word[2], word[3]));
    }
  }

  UniqueModule module_;
  std::string path_;
};


}  // namespace

Result<std::unique_ptr<Library>> WindowsLibraries::load(const std::string& path) {
  UniqueModule module(::LoadLibraryW(wide(path).c_str()));
  if (!module) return lastError("load " + path);
  return std::unique_ptr<Library>(new WindowsLibrary(std::move(module), path));
}

Status WindowsTypeLibraries::registerTypeLibrary(const std::string& path) {
  const std::wstring file = wide(path);
  ComPtr<ITypeLib> lib;
  HRESULT hr = ::LoadTypeLibEx(file.c_str(), REGKIND_NONE, lib.put());
  if (FAILED(hr)) return fromHresult(hr, "load type library " + path);
  TLIBATTR* attributes = nullptr;
  hr = lib->GetLibAttr(&attributes);
  if (FAILED(hr)) return fromHresult(hr, "attributes of type library " + path);
  lib->ReleaseTLibAttr(attributes);
  // The help directory is the directory of the library's own help file.
  BSTR helpFile = nullptr;
  hr = lib->GetDocumentation(-1, nullptr, nullptr, nullptr, &helpFile);
  std::wstring helpDir;
  if (SUCCEEDED(hr) && helpFile != nullptr) {
    helpDir.assign(helpFile, ::SysStringLen(helpFile));
    const size_t slash = helpDir.find_last_of(L"\\/:");
    helpDir = slash == std::wstring::npos ? std::wstring() : helpDir.substr(0, slash);
  }
  if (helpFile != nullptr) ::SysFreeString(helpFile);
  if (FAILED(hr)) return fromHresult(hr, "documentation of type library " + path);
  std::wstring mutablePath = file;
  mutablePath.push_back(L'\0');
  helpDir.push_back(L'\0');
  hr = ::RegisterTypeLib(lib.get(), mutablePath.data(), helpDir.data());
  return fromHresult(hr, "register type library " + path);
}

Status WindowsTypeLibraries::unregisterTypeLibrary(const std::string& path) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = ::LoadTypeLibEx(wide(path).c_str(), REGKIND_NONE, lib.put());
  if (FAILED(hr)) return fromHresult(hr, "load type library " + path);
  TLIBATTR* attributes = nullptr;
  hr = lib->GetLibAttr(&attributes);
  if (FAILED(hr)) return fromHresult(hr, "attributes of type library " + path);
  const TLIBATTR copy = *attributes;
  lib->ReleaseTLibAttr(attributes);
  // Older automation libraries lack the entry: look it up in the loaded
  // one instead of importing it.
  using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  const HMODULE oleaut = ::GetModuleHandleW(L"OLEAUT32.DLL");
  const FARPROC proc = oleaut ? ::GetProcAddress(oleaut, "UnRegisterTypeLib") : nullptr;
  if (!proc) return Status(Code::notSupported, ERROR_PROC_NOT_FOUND, "no UnRegisterTypeLib");
  const auto unregister = reinterpret_cast<Unregister>(reinterpret_cast<void (*)()>(proc));
  hr = unregister(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
  return fromHresult(hr, "unregister type library " + path);
}

}  // namespace platform::win32
