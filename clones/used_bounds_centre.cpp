#include <vector>

#include "clones/clones.h"
#include "host/host_calls.h"

namespace vintrax {

bool GetUsedBoundsCentre(ObjectHandle object, Point3* anchor) {
    const int vertexCount = host::MQObj_GetVertexCount(object);
    if (vertexCount <= 0) return false;

    std::vector<Point3> positions(static_cast<std::size_t>(vertexCount));
    host::MQObj_GetVertexArray(object, positions.data());

    Point3 lo = {};
    Point3 hi = {};
    int taken = 0;
    for (int vertex = 0; vertex < vertexCount; ++vertex) {
        if (host::MQObj_GetVertexRefCount(object, vertex) <= 0) continue;
        const Point3& p = positions[static_cast<std::size_t>(vertex)];
        if (taken == 0) {
            lo = p;
            hi = p;
        } else {
            // "Unless greater" rather than "if less": an equal coordinate replaces the
            // bound (so -0.0 replaces +0.0), and so does a NaN.
            if (!(p.x > lo.x)) lo.x = p.x;
            if (!(p.y > lo.y)) lo.y = p.y;
            if (!(p.z > lo.z)) lo.z = p.z;
            if (!(p.x < hi.x)) hi.x = p.x;
            if (!(p.y < hi.y)) hi.y = p.y;
            if (!(p.z < hi.z)) hi.z = p.z;
        }
        ++taken;
    }
    if (taken == 0) return false;

    // The halved sum, not lo + (hi - lo) / 2: the two round differently.
    const float sx = hi.x + lo.x;
    const float sy = hi.y + lo.y;
    const float sz = hi.z + lo.z;
    *anchor = {sx * 0.5f, sy * 0.5f, sz * 0.5f};
    return true;
}

}  // namespace vintrax
