// Anchor routines measured on single objects. Expected values are literal bit
// patterns worked out by hand (or with float32 arithmetic outside this code).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "clones/clones.h"
#include "tests/support/bound_host.h"
#include "tests/support/scenes.h"

namespace vintrax {
namespace {

using testing::Bits;
using testing::FromBits;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Written into the output before each call, to see that a failure leaves it alone.
constexpr Point3 kUntouched = {-123.0f, -456.0f, -789.0f};

std::vector<std::uint32_t> AnchorBits(const Point3& p) { return testing::PointBits({p}); }

class AnchorsTest : public testing::BoundHostTest {};

struct BoundsCase {
    const char* why;
    std::vector<Point3> vertices;
    std::vector<std::vector<int>> faces;  // decides which vertices are referenced
    bool found;
    Point3 centre;
};

TEST_F(AnchorsTest, UsedBoundsCentre) {
    const float big = 3.0e38f;
    const std::vector<BoundsCase> cases = {
        {"no vertex at all", {}, {}, false, {}},
        {"vertices, but no face uses them", {{1, 2, 3}, {4, 5, 6}}, {}, false, {}},
        {"a single vertex is its own centre (denormals included)",
         {{0.1f, -7.3f, 1e-40f}}, {{0, 0, 0}}, true, {0.1f, -7.3f, 1e-40f}},
        {"an unused vertex is outside the box", {{0, 0, 0}, {1000, 1000, 1000}, {2, 4, 8}}, {{0, 2, 0}},
         true, {1, 2, 4}},
        // (0.7f + 0.1f) * 0.5f; halving the sum rounds differently from 0.1f + (0.7f - 0.1f) / 2.
        {"the midpoint is the halved sum", {{0.1f, 0, 0}, {0.7f, 0, 0}}, {{0, 1, 0}}, true,
         {FromBits(0x3ecccccd), 0, 0}},
        {"a sum beyond float range is infinite, not the finite midpoint", {{big, 0, 0}, {3.2e38f, 0, 0}},
         {{0, 1, 0}}, true, {std::numeric_limits<float>::infinity(), 0, 0}},
        {"-0.0 meeting +0.0 replaces both bounds", {{0.0f, 0.0f, 0.0f}, {-0.0f, -0.0f, -0.0f}}, {{0, 1, 0}},
         true, {-0.0f, -0.0f, -0.0f}},
        {"+0.0 meeting -0.0 replaces them back", {{-0.0f, -0.0f, -0.0f}, {0.0f, 0.0f, 0.0f}}, {{0, 1, 0}},
         true, {0.0f, 0.0f, 0.0f}},
        // NaN replaces both bounds, and the next coordinate replaces the NaN: (5 + 5) / 2.
        {"a NaN is replaced by the next coordinate", {{1, 0, 0}, {kNaN, 0, 0}, {5, 0, 0}}, {{0, 1, 2}}, true,
         {5, 0, 0}},
        {"a NaN last poisons its axis only", {{1, 0, 0}, {5, 0, 0}, {kNaN, 0, 0}}, {{0, 1, 2}}, true,
         {kNaN, 0, 0}},
    };
    for (const BoundsCase& c : cases) {
        hostsim::Document document;
        hostsim::Object& object = document.AddObject("o");
        for (const Point3& p : c.vertices) object.AddVertex(p);
        for (const auto& face : c.faces) object.AddFace(face);
        Point3 anchor = kUntouched;
        EXPECT_EQ(GetUsedBoundsCentre(hostsim::ToHandle(&object), &anchor), c.found) << c.why;
        EXPECT_EQ(AnchorBits(anchor), AnchorBits(c.found ? c.centre : kUntouched)) << c.why;
    }
}

TEST_F(AnchorsTest, UsedBoundsCentreReadsNothingButTheCountOfAnEmptyObject) {
    hostsim::Document document;
    hostsim::Object& object = document.AddObject("empty");
    hostsim::StartCallLog();
    Point3 anchor = kUntouched;
    EXPECT_FALSE(GetUsedBoundsCentre(hostsim::ToHandle(&object), &anchor));
    const auto log = hostsim::StopCallLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].op, hostsim::HostOp::kObjGetVertexCount);
}

struct CentroidCase {
    const char* why;
    std::vector<Point3> vertices;
    std::vector<testing::FaceSpec> faces;
    bool found;
    Point3 centroid;
};

TEST_F(AnchorsTest, MarkerCentroid) {
    constexpr int kMarker = 3;
    const std::vector<CentroidCase> cases = {
        {"no marker face", {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {{{0, 1, 2}, 0}, {{0, 1, 2}, -1}}, false, {}},
        // Summed in ascending index: (1 + 1e8) + -1e8 = 0, where the face's own
        // order (9, 5, 2) would give (-1e8 + 1e8) + 1 = 1.
        {"sums in ascending vertex order",
         {{}, {}, {1, 0, 0}, {}, {}, {1e8f, 0, 0}, {}, {}, {}, {-1e8f, 0, 0}},
         {{{9, 5, 2}, kMarker}}, true, {0, 0, 0}},
        // 0.3f / 3 is 0x3dcccccd; 0.3f * (1.0f / 3) would be 0x3dccccce.
        {"divides, does not multiply by the reciprocal", {{0.3f, 0, 0}, {0, 0, 0}, {0, 0, 0}},
         {{{0, 1, 2}, kMarker}}, true, {FromBits(0x3dcccccd), 0, 0}},
        // Vertex 0 is in both faces and twice in the second; it still counts once:
        // (4 + 0 + 0 + 0) / 4 = 1, not 12 / 6 = 2 over the corners.
        {"a shared or repeated vertex counts once",
         {{4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {0, 0, 0}},
         {{{0, 1, 2}, kMarker}, {{0, 3, 0}, kMarker}}, true, {1, 1, 1}},
        {"only marker faces count", {{8, 8, 8}, {0, 0, 0}, {2, 2, 2}, {100, 100, 100}},
         {{{0, 1, 2}, kMarker}, {{1, 2, 3}, 1}}, true, {FromBits(0x40555555), FromBits(0x40555555),
                                                        FromBits(0x40555555)}},
    };
    for (const CentroidCase& c : cases) {
        hostsim::Document document;
        hostsim::Object& object = document.AddObject("o");
        for (const Point3& p : c.vertices) object.AddVertex(p);
        for (const auto& face : c.faces) object.AddFace(face.points, face.material);
        Point3 anchor = kUntouched;
        EXPECT_EQ(GetMarkerCentroid(hostsim::ToHandle(&object), &anchor, kMarker), c.found) << c.why;
        EXPECT_EQ(AnchorBits(anchor), AnchorBits(c.found ? c.centroid : kUntouched)) << c.why;
    }
}

TEST_F(AnchorsTest, MarkerFacesThatAreGoneDoNotCount) {
    // A deleted face keeps its slot and material but has no points.
    hostsim::Document document;
    hostsim::Object& object = testing::AddMesh(document, "o", {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {{{0, 1, 2}, 0}});
    object.DeleteVertex(0, true);
    hostsim::StartCallLog();
    Point3 anchor = kUntouched;
    EXPECT_FALSE(GetMarkerCentroid(hostsim::ToHandle(&object), &anchor, 0));
    const auto log = hostsim::StopCallLog();
    EXPECT_EQ(AnchorBits(anchor), AnchorBits(kUntouched));
    // No vertex is read when there is nothing to average.
    EXPECT_TRUE(testing::CallsOf(log, hostsim::HostOp::kObjGetVertexArray).empty());
    EXPECT_TRUE(testing::CallsOf(log, hostsim::HostOp::kObjGetVertexCount).empty());
}

}  // namespace
}  // namespace vintrax
