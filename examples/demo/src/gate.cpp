// Should.Dll: the gate of a RunLib pack. GATE_ANSWER is 1 to run the pack's
// run file, anything else to skip it.

#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI ShouldBe(const char*) { return GATE_ANSWER; }
