// Small helpers for building stand-in documents from literal meshes in tests.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "hostsim/document.h"

namespace vintrax::testing {

inline std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }
inline float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

struct FaceSpec {
    std::vector<int> points;
    int material = -1;
};

// Adds an object with the given vertices and faces; every face uses `material`
// unless the face says otherwise.
inline hostsim::Object& AddMesh(hostsim::Document& document, std::string name,
                                std::initializer_list<Point3> vertices,
                                std::initializer_list<FaceSpec> faces = {}) {
    hostsim::Object& object = document.AddObject(std::move(name));
    for (const Point3& p : vertices) object.AddVertex(p);
    for (const FaceSpec& face : faces) object.AddFace(face.points, face.material);
    return object;
}

// Positions of the live vertices, in index order.
inline std::vector<Point3> Positions(const hostsim::Object& object) {
    std::vector<Point3> out;
    for (int v = 0; v < object.VertexCount(); ++v) {
        if (!object.VertexDeleted(v)) out.push_back(object.Vertex(v));
    }
    return out;
}

// Corner lists of the live faces, in index order.
inline std::vector<std::vector<int>> Faces(const hostsim::Object& object) {
    std::vector<std::vector<int>> out;
    for (int f = 0; f < object.FaceCount(); ++f) {
        if (object.FaceDeleted(f)) continue;
        const auto points = object.FacePoints(f);
        out.emplace_back(points.begin(), points.end());
    }
    return out;
}

// Bit patterns, so that -0.0 and NaN payloads are compared exactly.
inline std::vector<std::uint32_t> PositionBits(const hostsim::Object& object) {
    std::vector<std::uint32_t> out;
    for (const Point3& p : Positions(object)) {
        out.push_back(Bits(p.x));
        out.push_back(Bits(p.y));
        out.push_back(Bits(p.z));
    }
    return out;
}

inline std::vector<std::uint32_t> PointBits(std::initializer_list<Point3> points) {
    std::vector<std::uint32_t> out;
    for (const Point3& p : points) {
        out.push_back(Bits(p.x));
        out.push_back(Bits(p.y));
        out.push_back(Bits(p.z));
    }
    return out;
}

}  // namespace vintrax::testing
