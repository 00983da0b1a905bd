#include "clones/clones.h"
#include "host/host_calls.h"

namespace vintrax {
namespace {

// Both anchors always come from the same routine: a marker centroid on one side
// and a box centre on the other would shift the clone by their difference.
bool MeasureAnchors(ObjectHandle copy, ObjectHandle clone, int markerIndex, Point3* copyAnchor,
                    Point3* cloneAnchor) {
    if (markerIndex != -1 && GetMarkerCentroid(copy, copyAnchor, markerIndex) &&
        GetMarkerCentroid(clone, cloneAnchor, markerIndex)) {
        return true;
    }
    return GetUsedBoundsCentre(copy, copyAnchor) && GetUsedBoundsCentre(clone, cloneAnchor);
}

// Each vertex gets its own subtraction and addition, each rounded to float; the
// offset cloneAnchor - copyAnchor is never formed, since rounding it once would
// give other bits.
void TranslateUsedVertices(ObjectHandle object, const Point3& from, const Point3& to) {
    const int count = host::MQObj_GetVertexCount(object);
    for (int vertex = 0; vertex < count; ++vertex) {
        if (host::MQObj_GetVertexRefCount(object, vertex) <= 0) continue;
        Point3 p = {};
        host::MQObj_GetVertex(object, vertex, &p);
        const float dx = p.x - from.x;
        const float dy = p.y - from.y;
        const float dz = p.z - from.z;
        const Point3 q = {dx + to.x, dy + to.y, dz + to.z};
        host::MQObj_SetVertex(object, vertex, &q);
    }
}

}  // namespace

bool RebuildClone(ObjectHandle source, ObjectHandle clone, int markerIndex) {
    const ObjectHandle copy = host::MQObj_Clone(source);
    // Emptying the clone with nothing to refill it would lose the user's object.
    if (copy == nullptr) return false;
    host::MQObj_Freeze(copy, kFreezeAll);

    Point3 copyAnchor = {};
    Point3 cloneAnchor = {};
    bool anchored = false;
    try {
        // Measured before the clone is emptied: its current place is what it keeps.
        anchored = MeasureAnchors(copy, clone, markerIndex, &copyAnchor, &cloneAnchor);
    } catch (...) {
        // An anchor routine ran out of memory; the copy never entered the document,
        // so it must not outlive this call.
        host::MQObj_Delete(copy);
        throw;
    }
    if (anchored) TranslateUsedVertices(copy, copyAnchor, cloneAnchor);

    // Deleting in ascending order keeps the other indexes valid until compaction.
    const int cloneVertexCount = host::MQObj_GetVertexCount(clone);
    for (int vertex = 0; vertex < cloneVertexCount; ++vertex) host::MQObj_DeleteVertex(clone, vertex, 1);
    host::MQObj_Merge(clone, copy);
    host::MQObj_Compact(clone);
    host::MQObj_Delete(copy);
    return true;
}

}  // namespace vintrax
