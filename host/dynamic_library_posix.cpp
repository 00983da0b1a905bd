#include <dlfcn.h>

#include "host/dynamic_library.h"

namespace vintrax {

ModuleHandle LoadModule(const char* fileName) {
    // dlopen would answer a missing name with the main program itself, which is
    // not a module anyone named; the Windows loader refuses it too.
    if (fileName == nullptr || *fileName == '\0') return nullptr;
    // RTLD_LOCAL: the host's functions are reached through the table only, never
    // by symbol interposition into the process.
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

HostEntryPoint FindEntryPoint(ModuleHandle module, const char* name) {
    return reinterpret_cast<HostEntryPoint>(dlsym(module, name));
}

void ReleaseModule(ModuleHandle module) { dlclose(module); }

}  // namespace vintrax
