#include <set>
#include <vector>

#include "clones/clones.h"
#include "host/host_calls.h"

namespace vintrax {

bool GetMarkerCentroid(ObjectHandle object, Point3* anchor, int markerIndex) {
    // Ordered and distinct: a vertex shared by several marker faces counts once,
    // and the sum runs in ascending vertex index whatever the face order.
    std::set<int> markerVertices;
    std::vector<int> facePoints;
    const int faceCount = host::MQObj_GetFaceCount(object);
    for (int face = 0; face < faceCount; ++face) {
        if (host::MQObj_GetFaceMaterial(object, face) != markerIndex) continue;
        const int pointCount = host::MQObj_GetFacePointCount(object, face);
        if (pointCount <= 0) continue;
        facePoints.resize(static_cast<std::size_t>(pointCount));
        host::MQObj_GetFacePointArray(object, face, facePoints.data());
        markerVertices.insert(facePoints.begin(), facePoints.end());
    }
    if (markerVertices.empty()) return false;

    const int vertexCount = host::MQObj_GetVertexCount(object);
    // A host that names a vertex it does not have must not make us read past the array.
    markerVertices.erase(markerVertices.lower_bound(vertexCount < 0 ? 0 : vertexCount), markerVertices.end());
    markerVertices.erase(markerVertices.begin(), markerVertices.lower_bound(0));
    if (markerVertices.empty()) return false;

    std::vector<Point3> positions(static_cast<std::size_t>(vertexCount));
    host::MQObj_GetVertexArray(object, positions.data());

    float sumX = 0.0f;
    float sumY = 0.0f;
    float sumZ = 0.0f;
    for (const int vertex : markerVertices) {
        const Point3& p = positions[static_cast<std::size_t>(vertex)];
        sumX = p.x + sumX;
        sumY = p.y + sumY;
        sumZ = p.z + sumZ;
    }
    // A true division: multiplying by 1/c would round twice.
    const float c = static_cast<float>(static_cast<int>(markerVertices.size()));
    *anchor = {sumX / c, sumY / c, sumZ / c};
    return true;
}

}  // namespace vintrax
