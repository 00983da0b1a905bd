// The platform's dynamic-library services, as the binding needs them.
#pragma once

#include "host/host_function_table.h"

namespace vintrax {

typedef void* ModuleHandle;

// A counted reference to the named module (the same module when it is loaded
// already), or null when it cannot be loaded. The name goes to the loader unchanged.
ModuleHandle LoadModule(const char* fileName);

// The entry point the module exports under exactly `name`, or null.
HostEntryPoint FindEntryPoint(ModuleHandle module, const char* name);

// Gives back the reference LoadModule took.
void ReleaseModule(ModuleHandle module);

}  // namespace vintrax
