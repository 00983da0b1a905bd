// The host functions' side of the call log.
#pragma once

#include "hostsim/call_log.h"

namespace vintrax::hostsim {

// Appends one call to the record while recording is on; does nothing otherwise.
void LogCall(HostOp op, const void* target, int arg = 0, const void* other = nullptr,
             const void* result = nullptr);

}  // namespace vintrax::hostsim
