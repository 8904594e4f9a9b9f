// democtl.ocx: the example package's in-process COM server. Registration
// writes the class and its ProgID; unregistration removes them again.

#include <windows.h>
#include <olectl.h>

#include <string>

namespace {

HMODULE self_module = nullptr;
constexpr wchar_t kClsid[] = L"{6B1D6D2E-3E0A-4C55-9A7E-2F1C5D0B7A41}";
constexpr wchar_t kProgId[] = L"Demo.Control";

bool SetDefault(const std::wstring& key, const std::wstring& value) {
  HKEY h;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return r == ERROR_SUCCESS;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(self_module, path, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return SELFREG_E_CLASS;
  std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsid;
  bool ok = SetDefault(clsidKey, L"Demo Control") && SetDefault(clsidKey + L"\\InprocServer32", path) &&
            SetDefault(clsidKey + L"\\ProgID", kProgId) && SetDefault(kProgId, L"Demo Control") &&
            SetDefault(std::wstring(kProgId) + L"\\CLSID", kClsid);
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsid).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
  if (out) *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return S_OK; }
