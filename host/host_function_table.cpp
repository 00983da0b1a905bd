#include "host/host_function_table.h"

#include "host/dynamic_library.h"

namespace vintrax {

const char* const kHostFunctionNames[kHostFunctionCount] = {
#define VINTRAX_HOST_NAME(name) #name,
    VINTRAX_FOR_EACH_HOST_FUNCTION(VINTRAX_HOST_NAME)
#undef VINTRAX_HOST_NAME
};

// Zero-initialised at load: the unbound state.
HostFunctionTable g_hostFunctions;

int BindHostFunctions(const char* moduleFileName) {
    ModuleHandle module = LoadModule(moduleFileName);
    if (module == nullptr) return 0;

    int result = 1;
    for (int slot = 0; slot < kHostFunctionCount; ++slot) {
        HostEntryPoint entry = FindEntryPoint(module, kHostFunctionNames[slot]);
        g_hostFunctions.slots[slot] = entry;
        if (entry == nullptr) {
            result = 0;
            break;
        }
    }
    g_hostFunctions.complete = result == 1;
    // The host keeps its own module loaded for as long as it uses the plug-in,
    // so the entry points stay valid after this reference is gone.
    ReleaseModule(module);
    return result;
}

bool HostFunctionsCallable() { return g_hostFunctions.complete; }

}  // namespace vintrax
