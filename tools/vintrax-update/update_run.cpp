#include "tools/vintrax-update/update_run.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "clones/clone_name.h"
#include "hostsim/call_log.h"

namespace vintrax::objtool {
namespace {

bool Changes(hostsim::HostOp op) {
    switch (op) {
        case hostsim::HostOp::kObjSetVertex:
        case hostsim::HostOp::kObjFreeze:
        case hostsim::HostOp::kObjDeleteVertex:
        case hostsim::HostOp::kObjMerge:
        case hostsim::HostOp::kObjCompact:
            return true;
        default:
            return false;
    }
}

bool SameBits(const Point3& a, const Point3& b) {
    return std::bit_cast<std::uint32_t>(a.x) == std::bit_cast<std::uint32_t>(b.x) &&
           std::bit_cast<std::uint32_t>(a.y) == std::bit_cast<std::uint32_t>(b.y) &&
           std::bit_cast<std::uint32_t>(a.z) == std::bit_cast<std::uint32_t>(b.z);
}

}  // namespace

bool SameGeometry(const hostsim::Object& a, const hostsim::Object& b) {
    const std::vector<int> liveA = LiveVertices(a);
    const std::vector<int> liveB = LiveVertices(b);
    if (liveA.size() != liveB.size()) return false;
    // Corners compare by live position, so holes left before compaction do not count.
    std::vector<int> rankA(a.VertexCount(), -1);
    std::vector<int> rankB(b.VertexCount(), -1);
    for (std::size_t i = 0; i < liveA.size(); ++i) {
        if (!SameBits(a.Vertex(liveA[i]), b.Vertex(liveB[i]))) return false;
        rankA[liveA[i]] = static_cast<int>(i);
        rankB[liveB[i]] = static_cast<int>(i);
    }
    int fa = 0;
    int fb = 0;
    while (true) {
        while (fa < a.FaceCount() && a.FaceDeleted(fa)) ++fa;
        while (fb < b.FaceCount() && b.FaceDeleted(fb)) ++fb;
        if (fa == a.FaceCount() || fb == b.FaceCount()) return fa == a.FaceCount() && fb == b.FaceCount();
        const auto pa = a.FacePoints(fa);
        const auto pb = b.FacePoints(fb);
        if (pa.size() != pb.size() || a.FaceMaterial(fa) != b.FaceMaterial(fb) || a.FaceTag(fa) != b.FaceTag(fb))
            return false;
        for (std::size_t k = 0; k < pa.size(); ++k) {
            const int ra = pa[k] >= 0 && pa[k] < a.VertexCount() ? rankA[pa[k]] : -1;
            const int rb = pb[k] >= 0 && pb[k] < b.VertexCount() ? rankB[pb[k]] : -1;
            if (ra != rb || ra < 0) return false;
        }
        if (!std::ranges::equal(a.FaceUVs(fa), b.FaceUVs(fb)) || !std::ranges::equal(a.FaceNormals(fa), b.FaceNormals(fb)))
            return false;
        ++fa;
        ++fb;
    }
}

UpdateOutcome RunUpdate(const hostsim::PluginHost& host, ObjScene& scene) {
    hostsim::Document& doc = *scene.document;
    const int count = doc.ObjectCount();

    // Only clone names can be changed by the command; keep what they were so a
    // rebuild that reproduces them exactly counts as no change.
    std::vector<std::unique_ptr<hostsim::Object>> before(count);
    std::unordered_map<const void*, int> indexOf;
    for (int i = 0; i < count; ++i) {
        hostsim::Object* object = doc.GetObject(i);
        if (object == nullptr) continue;
        indexOf.emplace(static_cast<const void*>(hostsim::ToHandle(object)), i);
        if (HasClonePrefix(object->name)) before[i] = object->Clone();
    }

    hostsim::StartCallLog();
    host.Run(kUpdateClonesCommand, doc);
    const std::vector<hostsim::HostCall> calls = hostsim::StopCallLog();

    UpdateOutcome outcome;
    outcome.rebuilt.assign(count, false);
    outcome.changed.assign(count, false);
    for (const hostsim::HostCall& call : calls) {
        if (!Changes(call.op)) continue;
        const auto found = indexOf.find(call.target);
        if (found != indexOf.end()) outcome.rebuilt[found->second] = true;
    }
    for (int i = 0; i < count; ++i) {
        if (!outcome.rebuilt[i]) continue;
        const hostsim::Object* now = doc.GetObject(i);
        outcome.changed[i] = before[i] == nullptr || now == nullptr || !SameGeometry(*before[i], *now);
    }
    return outcome;
}

std::vector<int> LiveVertices(const hostsim::Object& object) {
    std::vector<int> live;
    for (int v = 0; v < object.VertexCount(); ++v) {
        if (!object.VertexDeleted(v)) live.push_back(v);
    }
    return live;
}

}  // namespace vintrax::objtool
