#include <windows.h>

// Nothing needs setting up or tearing down (the host function table is plain
// zero-initialised data), so every load, unload and thread notification is
// simply accepted.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
