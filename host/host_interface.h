// Signatures of the 22 host functions the plug-in calls, and what it relies on.
//
// Counts, indexes and flags are 32-bit signed; buffers and arrays belong to the
// caller. Results the plug-in never reads are declared void: under the C calling
// convention the value a host leaves in the return register is simply ignored.
#pragma once

#include "host/host_types.h"

extern "C" {

// Count of slots; indexes 0..count-1 may then be asked for.
typedef int (VINTRAX_CALL* MQDoc_GetObjectCountProc)(DocumentHandle document);
// Handle of the object in slot `index`, or null for an empty slot.
typedef ObjectHandle (VINTRAX_CALL* MQDoc_GetObjectProc)(DocumentHandle document, int index);
typedef int (VINTRAX_CALL* MQDoc_GetMaterialCountProc)(DocumentHandle document);
typedef MaterialHandle (VINTRAX_CALL* MQDoc_GetMaterialProc)(DocumentHandle document, int index);

// 0 when hidden, any other value when visible.
typedef int (VINTRAX_CALL* MQObj_GetVisibleProc)(ObjectHandle object);
// Writes the name, truncated to fit and always NUL-terminated within `size` bytes.
typedef void (VINTRAX_CALL* MQObj_GetNameProc)(ObjectHandle object, char* buffer, int size);
typedef void (VINTRAX_CALL* MQMat_GetNameProc)(MaterialHandle material, char* buffer, int size);

// n >= 0; vertices are 0..n-1 (deleted ones keep their index until compaction).
typedef int (VINTRAX_CALL* MQObj_GetVertexCountProc)(ObjectHandle object);
// Fills all n positions; `positions` has room for n entries.
typedef void (VINTRAX_CALL* MQObj_GetVertexArrayProc)(ObjectHandle object, Point3* positions);
// Face corners that use the vertex; 0 or less for a vertex no face uses.
typedef int (VINTRAX_CALL* MQObj_GetVertexRefCountProc)(ObjectHandle object, int vertex);
typedef void (VINTRAX_CALL* MQObj_GetVertexProc)(ObjectHandle object, int vertex, Point3* position);
typedef void (VINTRAX_CALL* MQObj_SetVertexProc)(ObjectHandle object, int vertex, const Point3* position);

typedef int (VINTRAX_CALL* MQObj_GetFaceCountProc)(ObjectHandle object);
typedef int (VINTRAX_CALL* MQObj_GetFaceMaterialProc)(ObjectHandle object, int face);
// k corners; 0 or less for a face that is gone.
typedef int (VINTRAX_CALL* MQObj_GetFacePointCountProc)(ObjectHandle object, int face);
// Writes k vertex indexes, each in 0..n-1; `points` has room for k entries.
typedef void (VINTRAX_CALL* MQObj_GetFacePointArrayProc)(ObjectHandle object, int face, int* points);

// A new free object, outside the document, with the argument's vertices and faces.
typedef ObjectHandle (VINTRAX_CALL* MQObj_CloneProc)(ObjectHandle object);
// Bakes the object's modifiers into its geometry.
typedef void (VINTRAX_CALL* MQObj_FreezeProc)(ObjectHandle object, int flags);
// Removes the vertex (and, with deleteFaces != 0, the faces using it). Indexes of
// the other vertices stay valid until MQObj_Compact.
typedef void (VINTRAX_CALL* MQObj_DeleteVertexProc)(ObjectHandle object, int vertex, int deleteFaces);
// Appends a copy of `source`'s vertices and faces to `destination`.
typedef void (VINTRAX_CALL* MQObj_MergeProc)(ObjectHandle destination, ObjectHandle source);
// Drops deleted vertices and faces and renumbers the rest.
typedef void (VINTRAX_CALL* MQObj_CompactProc)(ObjectHandle object);
// Destroys a free object.
typedef void (VINTRAX_CALL* MQObj_DeleteProc)(ObjectHandle object);

}  // extern "C"

// MQObj_Freeze flags: every flag below the sign bit.
constexpr int kFreezeAll = 0x7FFFFFFF;
