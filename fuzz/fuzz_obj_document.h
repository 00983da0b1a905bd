// What "the same document" means for OBJ round trips, shared by the OBJ fuzz
// targets: the same objects with the same names, vertices bit for bit and faces
// (corners, texture coordinate and normal indexes, material, group/smoothing).
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>

#include "tools/vintrax-update/obj_scene.h"

namespace vintrax::objtool::fuzzing {

using hostsim::Object;

inline bool SameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

inline bool SameInts(std::span<const int> a, std::span<const int> b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Materials and group/smoothing states compare by what they say, not by table
// index: a rewritten object drops usemtl lines no face used.
inline bool SameObject(const ObjScene& sa, const Object& a, const ObjScene& sb, const Object& b) {
    if (a.name != b.name || a.visible != b.visible || a.VertexCount() != b.VertexCount() ||
        a.FaceCount() != b.FaceCount())
        return false;
    for (int v = 0; v < a.VertexCount(); ++v) {
        const Point3 p = a.Vertex(v);
        const Point3 q = b.Vertex(v);
        if (!SameBits(p.x, q.x) || !SameBits(p.y, q.y) || !SameBits(p.z, q.z)) return false;
    }
    for (int f = 0; f < a.FaceCount(); ++f) {
        if (!SameInts(a.FacePoints(f), b.FacePoints(f)) || !SameInts(a.FaceUVs(f), b.FaceUVs(f)) ||
            !SameInts(a.FaceNormals(f), b.FaceNormals(f)))
            return false;
        const int ma = a.FaceMaterial(f);
        const int mb = b.FaceMaterial(f);
        if ((ma < 0) != (mb < 0)) return false;
        if (ma >= 0 && *sa.document->MaterialName(ma) != *sb.document->MaterialName(mb)) return false;
        const auto& ta = sa.faceStates.at(static_cast<std::size_t>(a.FaceTag(f)));
        const auto& tb = sb.faceStates.at(static_cast<std::size_t>(b.FaceTag(f)));
        if (ta.group != tb.group || ta.smoothing != tb.smoothing) return false;
    }
    return true;
}

inline bool SameDocument(const ObjScene& a, const ObjScene& b) {
    if (a.document->ObjectCount() != b.document->ObjectCount() || a.texcoordCount != b.texcoordCount ||
        a.normalCount != b.normalCount)
        return false;
    for (int i = 0; i < a.document->ObjectCount(); ++i) {
        if (!SameObject(a, *a.document->GetObject(i), b, *b.document->GetObject(i))) return false;
    }
    return true;
}

}  // namespace vintrax::objtool::fuzzing
