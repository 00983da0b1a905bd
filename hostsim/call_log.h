// A switchable record of the host functions the plug-in calls, so tests can check
// which operations run, in which order, and which never run on a path.
#pragma once

#include <string>
#include <vector>

#include "host/host_types.h"
#include "hostsim/hostsim_export.h"

namespace vintrax::hostsim {

enum class HostOp : int {
    kDocGetObjectCount,
    kDocGetObject,
    kDocGetMaterialCount,
    kDocGetMaterial,
    kObjGetVisible,
    kObjGetName,
    kMatGetName,
    kObjGetVertexCount,
    kObjGetVertexArray,
    kObjGetVertexRefCount,
    kObjGetVertex,
    kObjSetVertex,
    kObjGetFaceCount,
    kObjGetFaceMaterial,
    kObjGetFacePointCount,
    kObjGetFacePointArray,
    kObjClone,
    kObjFreeze,
    kObjDeleteVertex,
    kObjMerge,
    kObjCompact,
    kObjDelete,
};

// One call: the handle it was made on (document, object or material), its first
// integer argument (index, vertex, face, flags; 0 when there is none), and for
// MQObj_Merge the source object (else null). For MQObj_Clone, `result` is the new object.
struct HostCall {
    HostOp op;
    const void* target;
    int arg;
    const void* other;
    const void* result;
};

// The host's exported name of the operation, e.g. "MQObj_Merge".
VINTRAX_HOSTSIM_API const char* HostOpName(HostOp op);

// Starts (clearing any earlier record) or stops recording.
VINTRAX_HOSTSIM_API void StartCallLog();
VINTRAX_HOSTSIM_API std::vector<HostCall> StopCallLog();

}  // namespace vintrax::hostsim
