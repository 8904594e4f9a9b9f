// demo.exe: the example package's program. It says that it runs, reads its
// configuration file (whose paths the installation filled in) and ends.

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self, n);
  dir.erase(dir.find_last_of(L'\\') + 1);
  wchar_t data[MAX_PATH] = L"";
  GetPrivateProfileStringW(L"Paths", L"Data", L"?", data, MAX_PATH, (dir + L"demo.ini").c_str());
  std::wstring text = L"Демо-программа 1.0 установлена и работает.\n\nПапка данных: ";
  text += data;
  MessageBoxW(nullptr, text.c_str(), L"Демо-программа", MB_OK | MB_ICONINFORMATION);
  return 0;
}
