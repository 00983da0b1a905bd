#include <windows.h>

#include "host/dynamic_library.h"

namespace vintrax {

ModuleHandle LoadModule(const char* fileName) { return LoadLibraryA(fileName); }

HostEntryPoint FindEntryPoint(ModuleHandle module, const char* name) {
    return reinterpret_cast<HostEntryPoint>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void ReleaseModule(ModuleHandle module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace vintrax
