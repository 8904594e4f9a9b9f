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
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info))
    return lastError("run " + commandLine);
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return lastError("wait for " + commandLine);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) return lastError("exit code of " + commandLine);
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
    if (args.size() > 4) return Status(Code::invalidArgument, ERROR_INVALID_PARAMETER, "more than 4 arguments for " + name);
    // Numbers pass as they are; texts as pointers to zero-terminated copies
    // that live until the call returns.
    std::vector<std::string> texts;
    texts.reserve(args.size());
    uintptr_t word[4] = {};
    for (size_t i = 0; i < args.size(); ++i) {
      if (const auto* number = std::get_if<uint32_t>(&args[i])) {
        word[i] = *number;
      } else {
        texts.push_back(std::get<std::string>(args[i]));
        word[i] = reinterpret_cast<uintptr_t>(texts.back().c_str());
      }
    }
    // "void (*)()" converts to any function pointer type without a warning.
    const auto generic = reinterpret_cast<void (*)()>(proc);
    using U = uintptr_t;
    switch (args.size()) {
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

 private:
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
  std::wstring mutablePath = file;
  mutablePath.push_back(L'\0');
  hr = ::RegisterTypeLib(lib.get(), mutablePath.data(), nullptr);
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
  hr = ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
  return fromHresult(hr, "unregister type library " + path);
}

}  // namespace platform::win32
