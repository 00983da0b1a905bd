// A host module for binding tests: exports the 140 host names, each an entry that
// must never be called. Built once per variant; a variant lacks one name because
// the build renames it (-D<name>=omitted_<name>), so its export goes missing.
#include <cstdio>
#include <cstdlib>

#include "host/host_function_list.h"
#include "host/host_types.h"
#include "hostsim/hostsim_export.h"

#define VINTRAX_STUB(name)                                                  \
    VINTRAX_HOST_EXPORT void VINTRAX_CALL name(void) {                       \
        std::fputs("stub host: " #name " must never be called\n", stderr); \
        std::abort();                                                        \
    }
VINTRAX_FOR_EACH_HOST_FUNCTION(VINTRAX_STUB)
