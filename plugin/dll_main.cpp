#include <windows.h>

// The library has no global state to set up or tear down, so every load, unload
// and thread notification is simply accepted.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
