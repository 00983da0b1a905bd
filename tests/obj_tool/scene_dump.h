// A document as short text, so a table of cases can state the whole document a
// file gives in one string.
#pragma once

#include <charconv>
#include <string>

#include "tools/vintrax-update/obj_scene.h"

namespace vintrax::objtool::testing {

// One line per object: `[name]: x,y,z ... | corners[/uvs][//normals] material group/smoothing ...`
// (material by name, "-" for none), then `materials: ...` in document order.
// Faces show their state by content, not by table index, so two files that say
// the same thing in a different order dump the same objects.
inline std::string DumpObjects(const ObjScene& scene) {
    auto number = [](float v) {
        char digits[32];
        return std::string(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
    };
    auto list = [](std::span<const int> values) {
        std::string out;
        for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + std::to_string(values[i]);
        return out;
    };
    const hostsim::Document& doc = *scene.document;
    std::string out;
    for (int i = 0; i < doc.ObjectCount(); ++i) {
        const hostsim::Object& o = *doc.GetObject(i);
        out += "[" + o.name + "]:";
        for (int v = 0; v < o.VertexCount(); ++v) {
            const Point3 p = o.Vertex(v);
            out += " " + number(p.x) + "," + number(p.y) + "," + number(p.z);
        }
        out += " |";
        for (int f = 0; f < o.FaceCount(); ++f) {
            out += " " + list(o.FacePoints(f));
            if (!o.FaceUVs(f).empty()) out += "/" + list(o.FaceUVs(f));
            if (!o.FaceNormals(f).empty()) out += "//" + list(o.FaceNormals(f));
            const int m = o.FaceMaterial(f);
            out += " " + (m < 0 ? std::string("-") : *doc.MaterialName(m));
            const FaceState& state = scene.faceStates.at(static_cast<std::size_t>(o.FaceTag(f)));
            out += " " + state.group + "/" + state.smoothing;
        }
        out += "\n";
    }
    return out;
}

inline std::string Dump(const ObjScene& scene) {
    std::string out = DumpObjects(scene);
    const hostsim::Document& doc = *scene.document;
    if (doc.MaterialCount() > 0) {
        out += "materials:";
        for (int m = 0; m < doc.MaterialCount(); ++m) out += " " + *doc.MaterialName(m);
        out += "\n";
    }
    return out;
}

}  // namespace vintrax::objtool::testing
