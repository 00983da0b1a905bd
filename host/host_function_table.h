// The table through which every call into the host goes.
//
// One slot per host function name, in lookup order. All slots are null at load,
// only BindHostFunctions writes them, and nothing clears them.
#pragma once

#include "host/host_function_list.h"
#include "host/host_interface.h"

namespace vintrax {

enum HostFunctionSlot : int {
#define VINTRAX_HOST_SLOT(name) kHost_##name,
    VINTRAX_FOR_EACH_HOST_FUNCTION(VINTRAX_HOST_SLOT)
#undef VINTRAX_HOST_SLOT
    kHostFunctionCount
};
static_assert(kHostFunctionCount == 140);

// An entry point whose signature the table does not know. Slots of the 22 called
// functions are cast back to their own signature before use.
typedef void (VINTRAX_CALL* HostEntryPoint)(void);

struct HostFunctionTable {
    HostEntryPoint slots[kHostFunctionCount];
    // True only after a binding found every name. A binding that stops at a
    // missing name has already pointed earlier slots into a module it has
    // released again, so the table is not fit for calls until a complete one.
    bool complete;
};

// The names as the host exports them, indexed by HostFunctionSlot.
extern const char* const kHostFunctionNames[kHostFunctionCount];

extern HostFunctionTable g_hostFunctions;

// Looks up every name, in slot order, in the module `moduleFileName` and stores
// each entry point found. Stops at the first missing name: that slot becomes
// null and the later slots keep what they held. A module that does not load
// leaves the whole table as it was. The module reference taken here is always
// given back before returning.
// Returns 1 when all 140 were found, 0 otherwise (also when the module does not load).
int BindHostFunctions(const char* moduleFileName);

// True when the last binding that loaded its module found every name.
bool HostFunctionsCallable();

}  // namespace vintrax
