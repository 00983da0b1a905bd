// Rebuilding clones in whole documents: which anchors are paired, what the clone
// ends up with, and what is never touched. Expected positions are literal float32
// bit patterns computed outside this code.
#include <gtest/gtest.h>

#include <vector>

#include "clones/clones.h"
#include "tests/support/bound_host.h"
#include "tests/support/scenes.h"

namespace vintrax {
namespace {

using hostsim::HostOp;
using testing::AddMesh;
using testing::CallsOf;
using testing::FromBits;
using testing::PointBits;
using testing::PositionBits;

class RebuildCloneTest : public testing::BoundHostTest {};

Point3 P(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return {FromBits(x), FromBits(y), FromBits(z)}; }

TEST_F(RebuildCloneTest, MovesEachVertexByItsOwnRoundedDifference) {
    // Box-centre anchors (0.6, 1.55, -0.05) and (100.9, -6.15, 4.4). Each vertex is
    // (p - copy anchor) + clone anchor, rounded at each step; adding the rounded
    // offset instead gives other bits on every axis of these three vertices.
    hostsim::Document document;
    AddMesh(document, "Box", {{0.1f, 0.2f, 0.3f}, {1.1f, 0.7f, -0.4f}, {0.5f, 2.9f, 0.0f}}, {{{0, 1, 2}}});
    hostsim::Object& clone = AddMesh(document, "vintrax[Box]",
                                     {{100.1f, -7.3f, 3.3f}, {101.7f, -6.1f, 5.5f}, {100.9f, -5.0f, 4.4f}},
                                     {{{0, 1, 2}}});
    hostsim::StartCallLog();
    EXPECT_EQ(UpdateClones(document.handle()), 1);
    const auto log = hostsim::StopCallLog();
    EXPECT_EQ(PositionBits(clone), PointBits({P(0x42c8cccc, 0xc0f00000, 0x40980000),
                                              P(0x42cacccc, 0xc0e00000, 0x4081999a),
                                              P(0x42c99999, 0xc099999a, 0x408e6667)}));
    EXPECT_EQ(testing::Faces(clone), (std::vector<std::vector<int>>{{0, 1, 2}}));
    // No marker material: the faces are never examined for one.
    EXPECT_TRUE(CallsOf(log, HostOp::kObjGetFaceMaterial).empty());
}

// Source: marker triangle 0-1-2 plus a plain face reaching vertex 3. Clone: a marker
// triangle elsewhere. Marker centroids (0.1, 0.4333, 0.9667) and (10.3, 20.1, 30.4).
void AddMarkerScene(hostsim::Document& document, bool sourceMarked, bool cloneMarked) {
    const int plain = document.AddMaterial("plain");
    const int marker = document.AddMaterial("vintraxMarker");
    AddMesh(document, "Box", {{0.3f, 1.0f, 2.0f}, {0.0f, 0.1f, 0.2f}, {0.0f, 0.2f, 0.7f}, {5, 5, 5}},
            {{{0, 1, 2}, sourceMarked ? marker : plain}, {{1, 2, 3}, plain}});
    AddMesh(document, "vintrax[Box]", {{10.0f, 20.0f, 30.0f}, {10.3f, 20.1f, 30.3f}, {10.6f, 20.2f, 30.9f}},
            {{{0, 1, 2}, cloneMarked ? marker : plain}});
}

TEST_F(RebuildCloneTest, MarkerCentroidsWhenBothSidesHaveMarkerFaces) {
    hostsim::Document document;
    AddMarkerScene(document, true, true);
    EXPECT_EQ(UpdateClones(document.handle()), 1);
    EXPECT_EQ(PositionBits(*document.GetObject(1)),
              PointBits({P(0x41280000, 0x41a55556, 0x41fb7777), P(0x41233333, 0x419e2222, 0x41ed1111),
                         P(0x41233333, 0x419eeeef, 0x41f11111), P(0x41733334, 0x41c55556, 0x4209bbbc)}));
}

TEST_F(RebuildCloneTest, BoxCentresUnlessBothSidesHaveMarkerFaces) {
    // Source box centre (2.5, 2.55, 2.6), clone box centre (10.3, 20.1, 30.45):
    // a centroid on one side and a box centre on the other would be off by their gap.
    const std::vector<std::uint32_t> byBoxCentres =
        PointBits({P(0x4101999a, 0x41946667, 0x41eecccd), P(0x40f9999a, 0x418d3333, 0x41e06667),
                   P(0x40f9999a, 0x418e0000, 0x41e46667), P(0x414ccccd, 0x41b46667, 0x42036667)});
    for (const auto& [sourceMarked, cloneMarked] : {std::pair{true, false}, std::pair{false, true}}) {
        hostsim::Document document;
        AddMarkerScene(document, sourceMarked, cloneMarked);
        const void* clone = hostsim::ToHandle(document.GetObject(1));
        hostsim::StartCallLog();
        EXPECT_EQ(UpdateClones(document.handle()), 1);
        const auto log = hostsim::StopCallLog();
        EXPECT_EQ(PositionBits(*document.GetObject(1)), byBoxCentres) << sourceMarked;
        if (!sourceMarked) {
            // Without marker faces on the copy, the clone's faces are never examined.
            for (const auto& call : CallsOf(log, HostOp::kObjGetFaceMaterial)) EXPECT_NE(call.target, clone);
        }
    }
}

TEST_F(RebuildCloneTest, MeasuresTheFrozenCopyNotTheSource) {
    // The source's mirror modifier only exists once frozen: its copy spans x in
    // [-3, 3] (centre 0), the source itself [1, 3] (centre 2).
    hostsim::Document document;
    hostsim::Object& source = AddMesh(document, "Box", {{1, 0, 0}, {3, 0, 0}, {3, 2, 0}}, {{{0, 1, 2}}});
    source.mirror = hostsim::MirrorAxis::kX;
    hostsim::Object& clone = AddMesh(document, "vintrax[Box]", {{9, 0, 0}, {11, 0, 0}, {11, 2, 0}}, {{{0, 1, 2}}});
    EXPECT_EQ(UpdateClones(document.handle()), 1);
    EXPECT_EQ(PositionBits(clone), PointBits({{11, 0, 0}, {13, 0, 0}, {13, 2, 0}, {9, 0, 0}, {7, 0, 0}, {7, 2, 0}}));
    EXPECT_EQ(clone.FaceCount(), 2);
    // The source keeps its modifier and its geometry.
    EXPECT_EQ(source.mirror, hostsim::MirrorAxis::kX);
    EXPECT_EQ(PositionBits(source), PointBits({{1, 0, 0}, {3, 0, 0}, {3, 2, 0}}));
}

TEST_F(RebuildCloneTest, WithoutAnAnchorPairTheCopyArrivesUnmoved) {
    struct Case {
        const char* why;
        bool sourceHasFaces;
        bool cloneHasGeometry;
    };
    for (const Case& c : {Case{"an empty placeholder clone", true, false},
                          Case{"a source no face uses", false, true}}) {
        hostsim::Document document;
        AddMesh(document, "Box", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
                c.sourceHasFaces ? std::initializer_list<testing::FaceSpec>{{{0, 1, 2}}}
                                 : std::initializer_list<testing::FaceSpec>{});
        hostsim::Object& clone = document.AddObject("vintrax[Box]");
        if (c.cloneHasGeometry) {
            for (const Point3 p : {Point3{50, 50, 50}, Point3{60, 60, 60}, Point3{70, 70, 70}}) clone.AddVertex(p);
            clone.AddFace(std::vector<int>{0, 1, 2});
        }
        EXPECT_EQ(UpdateClones(document.handle()), 1) << c.why;
        EXPECT_EQ(PositionBits(clone), PointBits({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}})) << c.why;
        EXPECT_EQ(clone.FaceCount(), c.sourceHasFaces ? 1 : 0) << c.why;
    }
}

TEST_F(RebuildCloneTest, AnUnusedVertexTravelsUnmoved) {
    hostsim::Document document;
    AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {-7, -7, -7}}, {{{0, 1, 2}}});
    hostsim::Object& clone = AddMesh(document, "vintrax[Box]", {{10, 0, 0}, {12, 0, 0}, {10, 2, 0}}, {{{0, 1, 2}}});
    EXPECT_EQ(UpdateClones(document.handle()), 1);
    EXPECT_EQ(PositionBits(clone), PointBits({{10, 0, 0}, {12, 0, 0}, {10, 2, 0}, {-7, -7, -7}}));
}

TEST_F(RebuildCloneTest, EveryCloneOfOneSourceGetsTheSameShapeAtItsOwnPlace) {
    hostsim::Document document;
    hostsim::Object& source = AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}, {{{0, 1, 2}}});
    // An edited clone with more vertices than its source: measured on its own geometry.
    hostsim::Object& edited = AddMesh(document, "vintrax[Box]a", {{10, 10, 10}, {14, 10, 10}, {10, 16, 10}, {12, 12, 12}},
                                      {{{0, 1, 2}}, {{1, 2, 3}}});
    edited.visible = true;
    hostsim::Object& moved = AddMesh(document, "vintrax[Box]b", {{-5, 0, 0}, {-3, 0, 0}, {-5, 4, 0}}, {{{0, 2, 1}}});
    moved.mirror = hostsim::MirrorAxis::kY;
    const void* movedHandle = hostsim::ToHandle(&moved);

    EXPECT_EQ(UpdateClones(document.handle()), 1);
    // Box centres: source (1, 2, 0); "a" (12, 13, 11); "b" (-4, 2, 0).
    EXPECT_EQ(PositionBits(edited), PointBits({{11, 11, 11}, {13, 11, 11}, {11, 15, 11}}));
    EXPECT_EQ(PositionBits(moved), PointBits({{-5, 0, 0}, {-3, 0, 0}, {-5, 4, 0}}));
    EXPECT_EQ(testing::Faces(moved), (std::vector<std::vector<int>>{{0, 1, 2}}));
    EXPECT_EQ(PositionBits(source), PointBits({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}));
    // The clone is the same object in the same slot, with its own settings.
    EXPECT_EQ(hostsim::ToHandle(document.GetObject(2)), movedHandle);
    EXPECT_EQ(moved.name, "vintrax[Box]b");
    EXPECT_TRUE(moved.visible);
    EXPECT_EQ(moved.mirror, hostsim::MirrorAxis::kY);
    EXPECT_EQ(hostsim::LiveFreeObjects(), 0);
}

TEST_F(RebuildCloneTest, OneRebuildInTheDocumentedOrder) {
    hostsim::Document document;
    hostsim::Object& source = AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}}});
    hostsim::Object& clone = AddMesh(document, "Clone", {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}, {9, 9, 9}}, {{{0, 1, 2}}});
    hostsim::StartCallLog();
    EXPECT_TRUE(RebuildClone(hostsim::ToHandle(&source), hostsim::ToHandle(&clone), -1));
    const auto log = hostsim::StopCallLog();

    const void* s = hostsim::ToHandle(&source);
    const void* c = hostsim::ToHandle(&clone);
    const void* copy = log.at(0).result;
    ASSERT_NE(copy, nullptr);
    using Op = HostOp;
    const std::vector<std::tuple<Op, const void*, int>> expected = {
        {Op::kObjClone, s, 0}, {Op::kObjFreeze, copy, 0x7FFFFFFF},
        // Copy anchor, then clone anchor (box centres: no marker material).
        {Op::kObjGetVertexCount, copy, 0}, {Op::kObjGetVertexArray, copy, 0},
        {Op::kObjGetVertexRefCount, copy, 0}, {Op::kObjGetVertexRefCount, copy, 1}, {Op::kObjGetVertexRefCount, copy, 2},
        {Op::kObjGetVertexCount, c, 0}, {Op::kObjGetVertexArray, c, 0},
        {Op::kObjGetVertexRefCount, c, 0}, {Op::kObjGetVertexRefCount, c, 1}, {Op::kObjGetVertexRefCount, c, 2},
        {Op::kObjGetVertexRefCount, c, 3},
        // Translation of the copy, one referenced vertex at a time.
        {Op::kObjGetVertexCount, copy, 0},
        {Op::kObjGetVertexRefCount, copy, 0}, {Op::kObjGetVertex, copy, 0}, {Op::kObjSetVertex, copy, 0},
        {Op::kObjGetVertexRefCount, copy, 1}, {Op::kObjGetVertex, copy, 1}, {Op::kObjSetVertex, copy, 1},
        {Op::kObjGetVertexRefCount, copy, 2}, {Op::kObjGetVertex, copy, 2}, {Op::kObjSetVertex, copy, 2},
        // Empty the clone in ascending order, refill, compact, drop the copy.
        {Op::kObjGetVertexCount, c, 0}, {Op::kObjDeleteVertex, c, 0}, {Op::kObjDeleteVertex, c, 1},
        {Op::kObjDeleteVertex, c, 2}, {Op::kObjDeleteVertex, c, 3},
        {Op::kObjMerge, c, 0}, {Op::kObjCompact, c, 0}, {Op::kObjDelete, copy, 0},
    };
    ASSERT_EQ(log.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log[i].op, std::get<0>(expected[i])) << "call " << i << " is " << hostsim::HostOpName(log[i].op);
        EXPECT_EQ(log[i].target, std::get<1>(expected[i])) << "call " << i;
        EXPECT_EQ(log[i].arg, std::get<2>(expected[i])) << "call " << i;
    }
    EXPECT_EQ(log[28].other, copy);
    // Box centres (1, 1, 0) and (5.5, 5.5, 5), the unused (9, 9, 9) aside: only the
    // merged geometry remains.
    EXPECT_EQ(PositionBits(clone), PointBits({{4.5f, 4.5f, 5}, {6.5f, 4.5f, 5}, {4.5f, 6.5f, 5}}));
    EXPECT_EQ(clone.VertexCount(), 3);
    EXPECT_EQ(hostsim::LiveFreeObjects(), 0);
}

}  // namespace
}  // namespace vintrax

namespace vintrax {
namespace {

// Stand-ins for a host that misbehaves, installed in single slots of the table.
ObjectHandle VINTRAX_CALL CloneFails(ObjectHandle) { return nullptr; }
void VINTRAX_CALL FacePointsOutOfRange(ObjectHandle, int, int* points) {
    points[0] = -5;
    points[1] = 1;
    points[2] = 99;
}

TEST_F(RebuildCloneTest, AHostThatCannotCopyTheSourceLeavesTheCloneAlone) {
    hostsim::Document document;
    AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}}});
    hostsim::Object& clone = AddMesh(document, "vintrax[Box]", {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}}, {{{0, 1, 2}}});
    g_hostFunctions.slots[kHost_MQObj_Clone] = reinterpret_cast<HostEntryPoint>(&CloneFails);
    hostsim::StartCallLog();
    // Emptying the clone with nothing to refill it would destroy the user's work.
    EXPECT_EQ(UpdateClones(document.handle()), 0);
    const auto log = hostsim::StopCallLog();
    EXPECT_EQ(PositionBits(clone), PointBits({{9, 9, 9}, {8, 8, 8}, {7, 7, 7}}));
    EXPECT_TRUE(CallsOf(log, HostOp::kObjDeleteVertex).empty());
}

TEST_F(RebuildCloneTest, MarkerVertexIndexesOutsideTheObjectAreIgnored) {
    hostsim::Document document;
    hostsim::Object& object = AddMesh(document, "o", {{1, 1, 1}, {4, 6, 8}, {7, 7, 7}}, {{{0, 1, 2}, 0}});
    g_hostFunctions.slots[kHost_MQObj_GetFacePointArray] = reinterpret_cast<HostEntryPoint>(&FacePointsOutOfRange);
    Point3 anchor = {};
    ASSERT_TRUE(GetMarkerCentroid(hostsim::ToHandle(&object), &anchor, 0));
    EXPECT_EQ(testing::PointBits({anchor}), PointBits({{4, 6, 8}}));
}

}  // namespace
}  // namespace vintrax
