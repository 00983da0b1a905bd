// Everything the plug-in exports to the host. Nothing is thrown across these.
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <xmmintrin.h>
#define VINTRAX_HAVE_MXCSR 1
#endif

#include "clones/clones.h"
#include "host/host_function_table.h"
#include "plugin/plugin_abi.h"

namespace {

// The maker's notice follows exactly six blanks.
constexpr char kDisplayName[] = "Vintrax Ver.0.01      Copyright (C) 2026 The Vintrax developers";
constexpr char kUpdateClonesLabel[] = "Update Clones";

#if VINTRAX_HAVE_MXCSR
// Round to nearest, no flush-to-zero, no denormals-are-zero, every exception masked.
constexpr unsigned kDefaultMxcsr = 0x1F80;
#endif

// The host's SSE control state is its own: a host that runs with flush-to-zero,
// denormals-are-zero or another rounding mode would otherwise change the bits of
// every position we compute. Ours is set for the command and the host's restored.
int RunWithDefaultFloatEnvironment(DocumentHandle document) {
#if VINTRAX_HAVE_MXCSR
    const unsigned hostMxcsr = _mm_getcsr();
    _mm_setcsr(kDefaultMxcsr);
    const int result = vintrax::UpdateClones(document);
    _mm_setcsr(hostMxcsr);
    return result;
#else
    return vintrax::UpdateClones(document);
#endif
}

}  // namespace

VINTRAX_PLUGIN_EXPORT void VINTRAX_CALL MQGetPlugInID(std::uint32_t* first, std::uint32_t* second) {
    *first = kPluginIdFirst;
    *second = kPluginIdSecond;
}

VINTRAX_PLUGIN_EXPORT const char* VINTRAX_CALL MQGetPlugInName(void) { return kDisplayName; }

VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQGetPlugInType(void) { return kPluginTypeCommand; }

VINTRAX_PLUGIN_EXPORT const char* VINTRAX_CALL MQEnumString(int index) {
    return index == kUpdateClonesCommand ? kUpdateClonesLabel : nullptr;
}

VINTRAX_PLUGIN_EXPORT std::uint32_t VINTRAX_CALL MQCheckVersion(std::uint32_t hostVersion) {
    return hostVersion < kLowestHostVersion ? 0 : kPluginVersionAnswer;
}

VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQInit(const char* hostModuleFileName) {
    return vintrax::BindHostFunctions(hostModuleFileName);
}

VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQModifyObject(int index, DocumentHandle document) {
    if (index != kUpdateClonesCommand) return 0;
    // A host that runs the command without a successful MQInit, or after a failed
    // re-binding, gets "nothing changed" instead of a call through a null slot or
    // into a module the failed binding has released.
    if (!vintrax::HostFunctionsCallable()) return 0;
    return RunWithDefaultFloatEnvironment(document);
}
