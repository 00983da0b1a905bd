// The host functions the plug-in calls, as this module exports them: the same
// names and parameter types as host/host_interface.h. Tests and tools may call
// them directly to see exactly what the plug-in sees.
#pragma once

#include "host/host_types.h"
#include "hostsim/hostsim_export.h"

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQDoc_GetObjectCount(DocumentHandle document) noexcept;
VINTRAX_HOST_EXPORT ObjectHandle VINTRAX_CALL MQDoc_GetObject(DocumentHandle document, int index) noexcept;
VINTRAX_HOST_EXPORT int VINTRAX_CALL MQDoc_GetMaterialCount(DocumentHandle document) noexcept;
VINTRAX_HOST_EXPORT MaterialHandle VINTRAX_CALL MQDoc_GetMaterial(DocumentHandle document, int index) noexcept;

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVisible(ObjectHandle object) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetName(ObjectHandle object, char* buffer, int size) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQMat_GetName(MaterialHandle material, char* buffer, int size) noexcept;

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVertexCount(ObjectHandle object) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetVertexArray(ObjectHandle object, Point3* positions) noexcept;
VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVertexRefCount(ObjectHandle object, int vertex) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetVertex(ObjectHandle object, int vertex, Point3* position) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_SetVertex(ObjectHandle object, int vertex, const Point3* position) noexcept;

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFaceCount(ObjectHandle object) noexcept;
VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFaceMaterial(ObjectHandle object, int face) noexcept;
VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFacePointCount(ObjectHandle object, int face) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetFacePointArray(ObjectHandle object, int face, int* points) noexcept;

VINTRAX_HOST_EXPORT ObjectHandle VINTRAX_CALL MQObj_Clone(ObjectHandle object) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Freeze(ObjectHandle object, int flags) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_DeleteVertex(ObjectHandle object, int vertex, int deleteFaces) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Merge(ObjectHandle destination, ObjectHandle source) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Compact(ObjectHandle object) noexcept;
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Delete(ObjectHandle object) noexcept;
