// prepare.exe: a RunLib program of the example package. It runs before any
// file is placed and leaves a note in the temporary directory, so the demo
// can show that it ran; exit code 0 is success.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t dir[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, dir);
  if (n == 0 || n >= MAX_PATH - 32) return 1;
  lstrcatW(dir, L"demo-prepare.txt");
  HANDLE f = CreateFileW(dir, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 2;
  const char text[] = "prepare.exe ran\r\n";
  DWORD written = 0;
  WriteFile(f, text, sizeof text - 1, &written, nullptr);
  CloseHandle(f);
  return 0;
}
