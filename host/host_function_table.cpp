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
    // The host keeps its own module loaded for as long as it uses the plug-in,
    // so the entry points stay valid after this reference is gone.
    ReleaseModule(module);
    return result;
}

bool HostFunctionsCallable() {
    static constexpr HostFunctionSlot kCalled[] = {
        kHost_MQDoc_GetObjectCount,   kHost_MQDoc_GetObject,       kHost_MQDoc_GetMaterialCount,
        kHost_MQDoc_GetMaterial,      kHost_MQObj_GetVisible,      kHost_MQObj_GetName,
        kHost_MQMat_GetName,          kHost_MQObj_GetVertexCount,  kHost_MQObj_GetVertexArray,
        kHost_MQObj_GetVertexRefCount, kHost_MQObj_GetVertex,      kHost_MQObj_SetVertex,
        kHost_MQObj_GetFaceCount,     kHost_MQObj_GetFaceMaterial, kHost_MQObj_GetFacePointCount,
        kHost_MQObj_GetFacePointArray, kHost_MQObj_Clone,          kHost_MQObj_Freeze,
        kHost_MQObj_DeleteVertex,     kHost_MQObj_Merge,           kHost_MQObj_Compact,
        kHost_MQObj_Delete,
    };
    static_assert(sizeof(kCalled) / sizeof(kCalled[0]) == 22);
    for (HostFunctionSlot slot : kCalled) {
        if (g_hostFunctions.slots[slot] == nullptr) return false;
    }
    return true;
}

}  // namespace vintrax
