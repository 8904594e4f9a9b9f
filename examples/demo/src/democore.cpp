// democore.dll: a shared library of the example package, counted in
// SharedDLLs by the installation.

#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI DemoCoreVersion() { return 0x00010000; }
