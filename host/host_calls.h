// Typed calls into the host through the bound function table.
//
// The clone update reaches the document only through these. They do not test the
// slots: the command runs only once HostFunctionsCallable() holds.
#pragma once

#include "host/host_function_table.h"

namespace vintrax::host {

template <typename Proc>
inline Proc Slot(HostFunctionSlot slot) {
    return reinterpret_cast<Proc>(g_hostFunctions.slots[slot]);
}

inline int MQDoc_GetObjectCount(DocumentHandle document) { return Slot<MQDoc_GetObjectCountProc>(kHost_MQDoc_GetObjectCount)(document); }
inline ObjectHandle MQDoc_GetObject(DocumentHandle document, int index) { return Slot<MQDoc_GetObjectProc>(kHost_MQDoc_GetObject)(document, index); }
inline int MQDoc_GetMaterialCount(DocumentHandle document) { return Slot<MQDoc_GetMaterialCountProc>(kHost_MQDoc_GetMaterialCount)(document); }
inline MaterialHandle MQDoc_GetMaterial(DocumentHandle document, int index) { return Slot<MQDoc_GetMaterialProc>(kHost_MQDoc_GetMaterial)(document, index); }
inline int MQObj_GetVisible(ObjectHandle object) { return Slot<MQObj_GetVisibleProc>(kHost_MQObj_GetVisible)(object); }
inline void MQObj_GetName(ObjectHandle object, char* buffer, int size) { Slot<MQObj_GetNameProc>(kHost_MQObj_GetName)(object, buffer, size); }
inline void MQMat_GetName(MaterialHandle material, char* buffer, int size) { Slot<MQMat_GetNameProc>(kHost_MQMat_GetName)(material, buffer, size); }
inline int MQObj_GetVertexCount(ObjectHandle object) { return Slot<MQObj_GetVertexCountProc>(kHost_MQObj_GetVertexCount)(object); }
inline void MQObj_GetVertexArray(ObjectHandle object, Point3* positions) { Slot<MQObj_GetVertexArrayProc>(kHost_MQObj_GetVertexArray)(object, positions); }
inline int MQObj_GetVertexRefCount(ObjectHandle object, int vertex) { return Slot<MQObj_GetVertexRefCountProc>(kHost_MQObj_GetVertexRefCount)(object, vertex); }
inline void MQObj_GetVertex(ObjectHandle object, int vertex, Point3* position) { Slot<MQObj_GetVertexProc>(kHost_MQObj_GetVertex)(object, vertex, position); }
inline void MQObj_SetVertex(ObjectHandle object, int vertex, const Point3* position) { Slot<MQObj_SetVertexProc>(kHost_MQObj_SetVertex)(object, vertex, position); }
inline int MQObj_GetFaceCount(ObjectHandle object) { return Slot<MQObj_GetFaceCountProc>(kHost_MQObj_GetFaceCount)(object); }
inline int MQObj_GetFaceMaterial(ObjectHandle object, int face) { return Slot<MQObj_GetFaceMaterialProc>(kHost_MQObj_GetFaceMaterial)(object, face); }
inline int MQObj_GetFacePointCount(ObjectHandle object, int face) { return Slot<MQObj_GetFacePointCountProc>(kHost_MQObj_GetFacePointCount)(object, face); }
inline void MQObj_GetFacePointArray(ObjectHandle object, int face, int* points) { Slot<MQObj_GetFacePointArrayProc>(kHost_MQObj_GetFacePointArray)(object, face, points); }
inline ObjectHandle MQObj_Clone(ObjectHandle object) { return Slot<MQObj_CloneProc>(kHost_MQObj_Clone)(object); }
inline void MQObj_Freeze(ObjectHandle object, int flags) { Slot<MQObj_FreezeProc>(kHost_MQObj_Freeze)(object, flags); }
inline void MQObj_DeleteVertex(ObjectHandle object, int vertex, int deleteFaces) { Slot<MQObj_DeleteVertexProc>(kHost_MQObj_DeleteVertex)(object, vertex, deleteFaces); }
inline void MQObj_Merge(ObjectHandle destination, ObjectHandle source) { Slot<MQObj_MergeProc>(kHost_MQObj_Merge)(destination, source); }
inline void MQObj_Compact(ObjectHandle object) { Slot<MQObj_CompactProc>(kHost_MQObj_Compact)(object); }
inline void MQObj_Delete(ObjectHandle object) { Slot<MQObj_DeleteProc>(kHost_MQObj_Delete)(object); }

}  // namespace vintrax::host
