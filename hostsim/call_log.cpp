#include "hostsim/call_log.h"

#include <atomic>
#include <mutex>

#include "hostsim/call_log_internal.h"

namespace vintrax::hostsim {

namespace {

// Off, the log costs every host call one relaxed load; on, calls from several
// threads (a benchmark driving documents in parallel) must not tear the record.
std::atomic<bool> g_recording{false};
std::mutex g_recordMutex;
std::vector<HostCall>& Record() {
    static std::vector<HostCall> record;
    return record;
}

}  // namespace

const char* HostOpName(HostOp op) {
    switch (op) {
        case HostOp::kDocGetObjectCount: return "MQDoc_GetObjectCount";
        case HostOp::kDocGetObject: return "MQDoc_GetObject";
        case HostOp::kDocGetMaterialCount: return "MQDoc_GetMaterialCount";
        case HostOp::kDocGetMaterial: return "MQDoc_GetMaterial";
        case HostOp::kObjGetVisible: return "MQObj_GetVisible";
        case HostOp::kObjGetName: return "MQObj_GetName";
        case HostOp::kMatGetName: return "MQMat_GetName";
        case HostOp::kObjGetVertexCount: return "MQObj_GetVertexCount";
        case HostOp::kObjGetVertexArray: return "MQObj_GetVertexArray";
        case HostOp::kObjGetVertexRefCount: return "MQObj_GetVertexRefCount";
        case HostOp::kObjGetVertex: return "MQObj_GetVertex";
        case HostOp::kObjSetVertex: return "MQObj_SetVertex";
        case HostOp::kObjGetFaceCount: return "MQObj_GetFaceCount";
        case HostOp::kObjGetFaceMaterial: return "MQObj_GetFaceMaterial";
        case HostOp::kObjGetFacePointCount: return "MQObj_GetFacePointCount";
        case HostOp::kObjGetFacePointArray: return "MQObj_GetFacePointArray";
        case HostOp::kObjClone: return "MQObj_Clone";
        case HostOp::kObjFreeze: return "MQObj_Freeze";
        case HostOp::kObjDeleteVertex: return "MQObj_DeleteVertex";
        case HostOp::kObjMerge: return "MQObj_Merge";
        case HostOp::kObjCompact: return "MQObj_Compact";
        case HostOp::kObjDelete: return "MQObj_Delete";
    }
    return "?";
}

void StartCallLog() {
    const std::lock_guard<std::mutex> lock(g_recordMutex);
    Record().clear();
    g_recording.store(true, std::memory_order_relaxed);
}

std::vector<HostCall> StopCallLog() {
    const std::lock_guard<std::mutex> lock(g_recordMutex);
    g_recording.store(false, std::memory_order_relaxed);
    std::vector<HostCall> taken;
    taken.swap(Record());
    return taken;
}

void LogCall(HostOp op, const void* target, int arg, const void* other, const void* result) {
    if (!g_recording.load(std::memory_order_relaxed)) return;
    const std::lock_guard<std::mutex> lock(g_recordMutex);
    if (g_recording.load(std::memory_order_relaxed)) Record().push_back(HostCall{op, target, arg, other, result});
}

}  // namespace vintrax::hostsim
