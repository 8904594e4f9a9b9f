#include "platform/win32/shell.h"

#include <memory>

#include "platform/win32/api.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace platform::win32 {

namespace {

struct IdListDeleter {
  void operator()(ITEMIDLIST* p) const { ::CoTaskMemFree(p); }
};

std::string describe(const char* action, const std::string& path) { return std::string(action) + " " + path; }

// Creates the shell link object with its file interface.
Status makeLink(ComPtr<IShellLinkW>& link, ComPtr<IPersistFile>& file, const std::string& path) {
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
  if (FAILED(hr)) return fromHresult(hr, describe("create shell link for", path));
  hr = link->QueryInterface(IID_IPersistFile, file.putVoid());
  if (FAILED(hr)) return fromHresult(hr, describe("shell link file of", path));
  return {};
}

}  // namespace

Result<std::string> WindowsShell::specialFolder(int csidl) {
  ITEMIDLIST* raw = nullptr;
  const HRESULT hr = ::SHGetSpecialFolderLocation(nullptr, csidl, &raw);
  std::unique_ptr<ITEMIDLIST, IdListDeleter> list(raw);
  if (FAILED(hr) || !list) return Status(Code::notFound, static_cast<uint32_t>(hr), "special folder " + std::to_string(csidl));
  wchar_t path[MAX_PATH];
  if (!::SHGetPathFromIDListW(list.get(), path))
    return Status(Code::notFound, 0, "special folder " + std::to_string(csidl) + " has no path");
  return narrowPath(std::wstring(path, wcslen(path)));
}

Status WindowsShell::saveLink(const std::string& linkPath, const ShellLink& value) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (Status made = makeLink(link, file, linkPath); !made) return made;
  HRESULT hr = link->SetPath(wide(value.target).c_str());
  if (SUCCEEDED(hr)) hr = link->SetArguments(wide(value.arguments).c_str());
  if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(wide(value.workingDirectory).c_str());
  if (SUCCEEDED(hr)) hr = link->SetDescription(wide(value.description).c_str());
  if (SUCCEEDED(hr) && !value.iconPath.empty()) hr = link->SetIconLocation(wide(value.iconPath).c_str(), value.iconIndex);
  if (SUCCEEDED(hr)) hr = link->SetShowCmd(value.showCommand);
  if (FAILED(hr)) return fromHresult(hr, describe("set up shell link", linkPath));
  hr = file->Save(wide(linkPath).c_str(), TRUE);
  if (FAILED(hr)) return fromHresult(hr, describe("save shell link", linkPath));
  return {};
}

Result<ShellLink> WindowsShell::loadLink(const std::string& linkPath) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (Status made = makeLink(link, file, linkPath); !made) return made;
  HRESULT hr = file->Load(wide(linkPath).c_str(), STGM_READ);
  if (FAILED(hr)) return fromHresult(hr, describe("load shell link", linkPath));
  ShellLink value;
  wchar_t buffer[MAX_PATH * 2];
  const int size = MAX_PATH * 2;
  if (SUCCEEDED(link->GetPath(buffer, size, nullptr, SLGP_RAWPATH))) value.target = narrow(buffer, wcslen(buffer));
  if (SUCCEEDED(link->GetArguments(buffer, size))) value.arguments = narrow(buffer, wcslen(buffer));
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, size))) value.workingDirectory = narrow(buffer, wcslen(buffer));
  if (SUCCEEDED(link->GetDescription(buffer, size))) value.description = narrow(buffer, wcslen(buffer));
  int icon = 0;
  if (SUCCEEDED(link->GetIconLocation(buffer, size, &icon))) {
    value.iconPath = narrow(buffer, wcslen(buffer));
    value.iconIndex = icon;
  }
  int show = 0;
  if (SUCCEEDED(link->GetShowCmd(&show))) value.showCommand = show;
  return value;
}

Status WindowsShell::open(const std::string& file, const std::string& parameters, const std::string& directory,
                          int showCommand) {
  ComScope com;  // some shell handlers need COM on the calling thread
  const std::wstring params = wide(parameters);
  const std::wstring dir = wide(directory);
  const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", wide(file).c_str(), params.empty() ? nullptr : params.c_str(),
                                           dir.empty() ? nullptr : dir.c_str(), showCommand);
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return {};
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return Status(Code::notFound, static_cast<uint32_t>(code), "open " + file);
    case ERROR_PATH_NOT_FOUND: return Status(Code::pathNotFound, static_cast<uint32_t>(code), "open " + file);
    case SE_ERR_ACCESSDENIED: return Status(Code::accessDenied, static_cast<uint32_t>(code), "open " + file);
    case SE_ERR_NOASSOC: return Status(Code::notSupported, static_cast<uint32_t>(code), "no program opens " + file);
    default: return Status(Code::failed, static_cast<uint32_t>(code), "open " + file);
  }
}

}  // namespace platform::win32
