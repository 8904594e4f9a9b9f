// legacy.dll: a RunLib library of the example package for old Windows
// versions; its gate keeps it from running elsewhere.

#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI Install(const char*) { return TRUE; }
