#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/dynamic_library.h"
#include "host/host_function_table.h"
#include "host/host_interface.h"
#include "hostsim/call_log.h"
#include "hostsim/document.h"
#include "hostsim/host_exports.h"
#include "hostsim/plugin_host.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace vintrax::hostsim {
namespace {

using Ints = std::vector<int>;

Ints Points(const Object& o, int face) {
    const auto span = o.FacePoints(face);
    return {span.begin(), span.end()};
}
Ints UVs(const Object& o, int face) {
    const auto span = o.FaceUVs(face);
    return {span.begin(), span.end()};
}
Ints Normals(const Object& o, int face) {
    const auto span = o.FaceNormals(face);
    return {span.begin(), span.end()};
}

bool Same(Point3 a, Point3 b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Vertices 0..count-1 at (i, 10 i, 100 i), so a position tells its original index.
void AddNumberedVertices(Object& o, int count) {
    for (int i = 0; i < count; ++i) {
        const float f = static_cast<float>(i);
        o.AddVertex({f, 10 * f, 100 * f});
    }
}

// The clone update's core sequence: empty the clone, append the master, compact.
// The source carries a deleted vertex and a deleted face so the renumbering has
// holes to skip, and faces with and without extras so none leak between faces.
TEST(ObjectTest, DeleteAllThenMergeThenCompactLeavesExactlyTheMergedGeometry) {
    Object dest("clone");
    AddNumberedVertices(dest, 4);
    dest.AddFace(Ints{0, 1, 2}, 7);
    dest.AddFace(Ints{0, 2, 3}, 7);

    Object source("master");
    AddNumberedVertices(source, 5);
    const Ints uvs{10, 11, 12};
    const Ints normals{20, 21, 22};
    source.AddFace(Ints{0, 1, 4}, 3, {uvs, normals, 99});  // dies with vertex 1
    source.AddFace(Ints{0, 2, 4}, 2, {uvs, {}, 5});
    source.AddFace(Ints{4, 3, 2, 0}, -1, {});
    source.AddFace(Ints{3, 4}, 1, {{}, Ints{1, 2}, 6});
    source.DeleteVertex(1, true);

    for (int v = 0; v < dest.VertexCount(); ++v) dest.DeleteVertex(v, true);
    EXPECT_TRUE(dest.FaceDeleted(0) && dest.FaceDeleted(1));
    dest.Merge(source);
    // Before compaction the merged vertices sit after the four holes.
    ASSERT_EQ(dest.VertexCount(), 8);
    EXPECT_EQ(Points(dest, 2), (Ints{4, 5, 7}));

    dest.Compact();
    ASSERT_EQ(dest.VertexCount(), 4);
    EXPECT_TRUE(Same(dest.Vertex(0), source.Vertex(0)));
    EXPECT_TRUE(Same(dest.Vertex(1), source.Vertex(2)));
    EXPECT_TRUE(Same(dest.Vertex(3), source.Vertex(4)));
    ASSERT_EQ(dest.FaceCount(), 3);
    EXPECT_EQ(Points(dest, 0), (Ints{0, 1, 3}));
    EXPECT_EQ(Points(dest, 1), (Ints{3, 2, 1, 0}));
    EXPECT_EQ(Points(dest, 2), (Ints{2, 3}));
    EXPECT_EQ(dest.FaceMaterial(0), 2);
    EXPECT_EQ(dest.FaceMaterial(1), -1);
    EXPECT_EQ(UVs(dest, 0), uvs);
    EXPECT_EQ(Normals(dest, 0), Ints{});
    EXPECT_EQ(UVs(dest, 1), Ints{});
    EXPECT_EQ(Normals(dest, 2), (Ints{1, 2}));
    EXPECT_EQ(dest.FaceTag(0), 5);
    EXPECT_EQ(dest.FaceTag(2), 6);
    EXPECT_EQ(dest.VertexRefCount(0), 2);
    EXPECT_EQ(dest.VertexRefCount(3), 3);
    EXPECT_EQ(dest.name, "clone");

    // The source is read, never changed.
    EXPECT_EQ(source.VertexCount(), 5);
    EXPECT_TRUE(source.VertexDeleted(1));
    EXPECT_EQ(source.FacePointCount(0), 0);

    // Compaction must leave the vertex -> face links right for what follows.
    dest.DeleteVertex(3, true);
    EXPECT_TRUE(dest.FaceDeleted(0) && dest.FaceDeleted(1) && dest.FaceDeleted(2));
}

TEST(ObjectTest, RefCountsAndHolesFollowVertexDeletion) {
    Object o;
    AddNumberedVertices(o, 5);
    o.AddFace(Ints{0, 1, 2});
    o.AddFace(Ints{2, 3, 2});  // uses vertex 2 twice: counts twice
    o.AddFace(Ints{3, 4});
    EXPECT_EQ(o.VertexRefCount(2), 3);

    o.DeleteVertex(0, true);
    EXPECT_TRUE(o.VertexDeleted(0));
    EXPECT_EQ(o.VertexRefCount(0), 0);
    EXPECT_EQ(o.VertexRefCount(1), 0);
    EXPECT_EQ(o.VertexRefCount(2), 2);
    EXPECT_EQ(o.FacePointCount(0), 0);
    EXPECT_TRUE(o.FacePoints(0).empty());

    // Everything else keeps its index and contents until Compact.
    EXPECT_EQ(o.VertexCount(), 5);
    EXPECT_EQ(o.FaceCount(), 3);
    EXPECT_TRUE(Same(o.Vertex(3), Point3{3, 30, 300}));
    EXPECT_EQ(Points(o, 1), (Ints{2, 3, 2}));

    // Deleting again, or past either end, changes nothing.
    for (int v : {0, -1, 5, INT_MAX, INT_MIN}) o.DeleteVertex(v, true);
    EXPECT_EQ(o.VertexRefCount(3), 2);

    o.Compact();
    EXPECT_EQ(o.VertexCount(), 4);
    EXPECT_EQ(o.FaceCount(), 2);
    EXPECT_EQ(Points(o, 0), (Ints{1, 2, 1}));
    EXPECT_EQ(Points(o, 1), (Ints{2, 3}));
    EXPECT_EQ(o.VertexRefCount(0), 0);  // vertex 1 lost its only face
    EXPECT_EQ(o.VertexRefCount(1), 2);
}

// Removing a vertex that a live face still uses would leave the face pointing at
// nothing; without deleteFaces the vertex stays.
TEST(ObjectTest, DeleteVertexKeepingFacesOnlyRemovesUnusedVertices) {
    Object o;
    AddNumberedVertices(o, 3);
    o.AddFace(Ints{0, 1});
    o.DeleteVertex(0, false);
    o.DeleteVertex(2, false);
    EXPECT_FALSE(o.VertexDeleted(0));
    EXPECT_EQ(o.FacePointCount(0), 2);
    EXPECT_TRUE(o.VertexDeleted(2));
}

TEST(ObjectTest, MergeIntoItselfDoublesTheGeometry) {
    Object o;
    AddNumberedVertices(o, 4);
    o.DeleteVertex(0, true);  // a hole the copy skips
    o.AddFace(Ints{1, 2, 3}, 4, {Ints{1, 2, 3}, {}, 8});
    o.Merge(o);
    ASSERT_EQ(o.VertexCount(), 7);
    ASSERT_EQ(o.FaceCount(), 2);
    EXPECT_EQ(Points(o, 0), (Ints{1, 2, 3}));
    EXPECT_EQ(Points(o, 1), (Ints{4, 5, 6}));
    EXPECT_EQ(UVs(o, 1), (Ints{1, 2, 3}));
    EXPECT_EQ(o.FaceMaterial(1), 4);
    EXPECT_EQ(o.FaceTag(1), 8);
    EXPECT_TRUE(Same(o.Vertex(6), o.Vertex(3)));
}

TEST(ObjectTest, CloneCopiesSettingsAndHoles) {
    Object o("part");
    o.visible = false;
    o.mirror = MirrorAxis::kY;
    AddNumberedVertices(o, 3);
    o.AddFace(Ints{0, 1}, 1, {Ints{5, 6}, Ints{7, 8}, 2});
    o.AddFace(Ints{1, 2});
    o.DeleteVertex(2, true);

    const auto copy = o.Clone();
    EXPECT_EQ(copy->name, "part");
    EXPECT_FALSE(copy->visible);
    EXPECT_EQ(copy->mirror, MirrorAxis::kY);
    EXPECT_EQ(copy->VertexCount(), 3);
    EXPECT_TRUE(copy->VertexDeleted(2));
    EXPECT_EQ(copy->FaceCount(), 2);
    EXPECT_TRUE(copy->FaceDeleted(1));
    EXPECT_EQ(Normals(*copy, 0), (Ints{7, 8}));
    // Independent storage: changing the copy leaves the original alone.
    copy->SetVertex(0, {9, 9, 9});
    EXPECT_TRUE(Same(o.Vertex(0), Point3{0, 0, 0}));
}

TEST(ObjectTest, FreezeBakesTheMirrorAcrossEachAxis) {
    struct Case {
        MirrorAxis axis;
        Point3 image;  // of vertex (1, 2, 3)
    };
    for (const Case& c : {Case{MirrorAxis::kX, {-1, 2, 3}}, Case{MirrorAxis::kY, {1, -2, 3}},
                          Case{MirrorAxis::kZ, {1, 2, -3}}}) {
        SCOPED_TRACE(static_cast<int>(c.axis));
        Object o;
        o.mirror = c.axis;
        o.AddVertex({9, 9, 9});  // deleted below: no image
        o.AddVertex({1, 2, 3});
        o.AddVertex({0, 5, 0});
        o.AddVertex({4, 0, 6});
        o.AddFace(Ints{0, 1, 2});  // deleted with vertex 0: no image
        o.AddFace(Ints{1, 2, 3}, 6, {Ints{10, 11, 12}, Ints{20, 21, 22}, 4});
        o.DeleteVertex(0, true);

        o.Freeze(kFreezeAll);
        EXPECT_EQ(o.mirror, MirrorAxis::kNone);
        ASSERT_EQ(o.VertexCount(), 7);
        EXPECT_TRUE(Same(o.Vertex(4), c.image));
        ASSERT_EQ(o.FaceCount(), 3);
        // Reversed corner order keeps the mirrored face facing outwards.
        EXPECT_EQ(Points(o, 2), (Ints{6, 5, 4}));
        EXPECT_EQ(UVs(o, 2), (Ints{12, 11, 10}));
        EXPECT_EQ(Normals(o, 2), (Ints{22, 21, 20}));
        EXPECT_EQ(o.FaceMaterial(2), 6);
        EXPECT_EQ(o.FaceTag(2), 4);
        EXPECT_EQ(Points(o, 1), (Ints{1, 2, 3}));
    }

    Object plain;
    AddNumberedVertices(plain, 2);
    plain.AddFace(Ints{0, 1});
    plain.Freeze(kFreezeAll);
    EXPECT_EQ(plain.VertexCount(), 2);
    EXPECT_EQ(plain.FaceCount(), 1);
}

// A programming error of whoever builds the document: it aborts in debug builds;
// in release the face is refused rather than stored half-valid.
TEST(ObjectTest, AddFaceRefusesCornersThatAreNotLiveVertices) {
    Object o;
    AddNumberedVertices(o, 3);
    o.DeleteVertex(2, true);
    struct Case {
        const char* why;
        Ints points;
        Ints uvs;
    };
    const Case cases[] = {
        {"corner past the last vertex", {0, 3}, {}},
        {"corner on a deleted vertex", {0, 2}, {}},
        {"negative corner", {-1, 0}, {}},
        {"no corners", {}, {}},
        {"uvs for some corners only", {0, 1}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        int face = 0;
        EXPECT_DEBUG_DEATH(face = o.AddFace(c.points, 0, {c.uvs, {}, 0}), "AddFace");
#if defined(NDEBUG)
        EXPECT_EQ(face, -1);
#else
        (void)face;
#endif
    }
    EXPECT_EQ(o.FaceCount(), 0);
    EXPECT_EQ(o.VertexRefCount(0), 0);
}

// Would take minutes if deleting a vertex rescanned the faces each time.
// A strip of quads, so every vertex is shared by up to two faces. How the cost
// grows with size is for bench/hostsim_bench.cpp to show.
TEST(ObjectTest, DeletingEveryVertexOfAStripEmptiesIt) {
    constexpr int kColumns = 2000;
    Object o;
    for (int i = 0; i < kColumns; ++i) {
        o.AddVertex({static_cast<float>(i), 0, 0});
        o.AddVertex({static_cast<float>(i), 1, 0});
    }
    for (int i = 0; i + 1 < kColumns; ++i) o.AddFace(Ints{2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
    for (int v = 0; v < o.VertexCount(); ++v) o.DeleteVertex(v, true);
    o.Compact();
    EXPECT_EQ(o.VertexCount(), 0);
    EXPECT_EQ(o.FaceCount(), 0);
}

// ---------------------------------------------------------------------------
// Through the exported C functions, as the plug-in sees the document.

TEST(HostExportsTest, NamesAreTruncatedAndAlwaysTerminated) {
    Document doc;
    const std::string name = "Cl\xC3\xB6ne #1";  // any bytes but NUL
    const int length = static_cast<int>(name.size());
    Object& object = doc.AddObject(name);
    doc.AddMaterial(name);
    const MaterialHandle material = MQDoc_GetMaterial(doc.handle(), 0);

    struct Case {
        int size;
        std::string expected;  // "#" when the buffer must stay untouched
    };
    const Case cases[] = {
        {-1, "#"},                                   // nonsense size: write nothing
        {0, "#"},                                    // no room even for the NUL
        {1, ""},                                     // room for the NUL only
        {length, name.substr(0, name.size() - 1)},   // one short: last byte dropped
        {length + 1, name},                          // exact fit
        {length + 20, name},                         // room to spare
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        for (int which = 0; which < 2; ++which) {
            char buffer[64];
            std::memset(buffer, '#', sizeof buffer);
            if (which == 0) {
                MQObj_GetName(ToHandle(&object), buffer, c.size);
            } else {
                MQMat_GetName(material, buffer, c.size);
            }
            if (c.expected == "#") {
                EXPECT_EQ(buffer[0], '#');
            } else {
                EXPECT_EQ(std::string(buffer), c.expected);
            }
            // Nothing written past the given size.
            if (c.size >= 0) {
                EXPECT_EQ(buffer[c.size], '#');
            }
        }
    }
}

TEST(HostExportsTest, OutOfRangeIndexesAndNullHandlesTouchNothing) {
    Document doc;
    Object& o = doc.AddObject("o");
    AddNumberedVertices(o, 2);
    o.AddFace(Ints{0, 1}, 3);
    const ObjectHandle h = ToHandle(&o);
    const DocumentHandle d = doc.handle();

    for (int bad : {-1, 2, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MQDoc_GetObject(d, bad), nullptr);
        EXPECT_EQ(MQDoc_GetMaterial(d, bad), nullptr);
        EXPECT_EQ(MQObj_GetVertexRefCount(h, bad), 0);
        EXPECT_LE(MQObj_GetFacePointCount(h, bad), 0);
        EXPECT_EQ(MQObj_GetFaceMaterial(h, bad), -1);
        Point3 p{7, 7, 7};
        MQObj_GetVertex(h, bad, &p);
        EXPECT_TRUE(Same(p, Point3{7, 7, 7}));
        MQObj_SetVertex(h, bad, &p);
        int corners[2] = {-7, -7};
        MQObj_GetFacePointArray(h, bad, corners);
        EXPECT_EQ(corners[0], -7);
        MQObj_DeleteVertex(h, bad, 1);
    }
    EXPECT_EQ(o.VertexCount(), 2);
    EXPECT_EQ(MQObj_GetFacePointCount(h, 0), 2);

    // Null handles: zero answers, no crash.
    char name[4] = "xyz";
    MQObj_GetName(nullptr, name, 4);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(MQDoc_GetObjectCount(nullptr), 0);
    EXPECT_EQ(MQObj_GetVertexCount(nullptr), 0);
    EXPECT_EQ(MQObj_Clone(nullptr), nullptr);
    MQObj_Merge(h, nullptr);
    MQObj_Merge(nullptr, h);
    MQObj_Compact(nullptr);
    MQObj_Freeze(nullptr, kFreezeAll);
    MQObj_Delete(nullptr);
    MQObj_GetVertexArray(nullptr, nullptr);
}

TEST(HostExportsTest, DocumentSlotsIncludingEmptyOnes) {
    Document doc;
    doc.AddObject("a");
    doc.AddEmptyObjectSlot();
    doc.AddEmptyMaterialSlot();
    doc.AddMaterial("m");
    EXPECT_EQ(MQDoc_GetObjectCount(doc.handle()), 2);
    EXPECT_EQ(MQDoc_GetObject(doc.handle(), 0), ToHandle(doc.GetObject(0)));
    EXPECT_EQ(MQDoc_GetObject(doc.handle(), 1), nullptr);
    EXPECT_EQ(MQDoc_GetMaterialCount(doc.handle()), 2);
    EXPECT_EQ(MQDoc_GetMaterial(doc.handle(), 0), nullptr);
    EXPECT_NE(MQDoc_GetMaterial(doc.handle(), 1), nullptr);
}

TEST(HostExportsTest, VertexArrayFillsExactlyEverySlot) {
    Object o;
    AddNumberedVertices(o, 3);
    o.DeleteVertex(1, true);  // a hole still occupies its slot
    Point3 out[4];
    std::memset(out, 0xAB, sizeof out);
    const Point3 guard = out[3];
    MQObj_GetVertexArray(ToHandle(&o), out);
    EXPECT_TRUE(Same(out[0], Point3{0, 0, 0}));
    EXPECT_TRUE(Same(out[2], Point3{2, 20, 200}));
    EXPECT_TRUE(Same(out[3], guard));
}

TEST(HostExportsTest, CloneMakesAFreeObjectThatDeleteDestroys) {
    Document doc;
    Object& o = doc.AddObject("o");
    AddNumberedVertices(o, 2);
    const int before = LiveFreeObjects();

    const ObjectHandle a = MQObj_Clone(ToHandle(&o));
    const ObjectHandle b = MQObj_Clone(a);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(FromHandle(b)->VertexCount(), 2);
    EXPECT_EQ(doc.ObjectCount(), 1);  // not added to any document
    EXPECT_EQ(LiveFreeObjects(), before + 2);

    MQObj_Delete(a);
    EXPECT_EQ(LiveFreeObjects(), before + 1);
    // Not free objects (a document's, one already gone): left alone, not freed twice.
    MQObj_Delete(ToHandle(&o));
    MQObj_Delete(a);
    EXPECT_EQ(LiveFreeObjects(), before + 1);
    EXPECT_EQ(o.VertexCount(), 2);
    MQObj_Delete(b);
    EXPECT_EQ(LiveFreeObjects(), before);
}

TEST(CallLogTest, RecordsCallsInOrderOnlyWhileOn) {
    Document doc;
    Object& o = doc.AddObject("o");
    AddNumberedVertices(o, 2);
    const ObjectHandle h = ToHandle(&o);

    MQObj_GetVertexCount(h);  // before the log starts: not recorded
    StartCallLog();
    MQDoc_GetObject(doc.handle(), 0);
    const ObjectHandle copy = MQObj_Clone(h);
    MQObj_DeleteVertex(copy, 1, 1);
    MQObj_Merge(copy, h);
    MQObj_Delete(copy);
    const std::vector<HostCall> calls = StopCallLog();
    MQObj_GetVertexCount(h);  // after: not recorded

    struct Expected {
        HostOp op;
        const void* target;
        int arg;
        const void* other;
        const void* result;
    };
    const Expected expected[] = {
        {HostOp::kDocGetObject, doc.handle(), 0, nullptr, nullptr},
        {HostOp::kObjClone, h, 0, nullptr, copy},
        {HostOp::kObjDeleteVertex, copy, 1, nullptr, nullptr},
        {HostOp::kObjMerge, copy, 0, h, nullptr},
        {HostOp::kObjDelete, copy, 0, nullptr, nullptr},
    };
    ASSERT_EQ(calls.size(), std::size(expected));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(HostOpName(calls[i].op));
        EXPECT_EQ(calls[i].op, expected[i].op);
        EXPECT_EQ(calls[i].target, expected[i].target);
        EXPECT_EQ(calls[i].arg, expected[i].arg);
        EXPECT_EQ(calls[i].other, expected[i].other);
        EXPECT_EQ(calls[i].result, expected[i].result);
    }

    // Restarting clears the earlier record.
    StartCallLog();
    EXPECT_TRUE(StopCallLog().empty());
    EXPECT_STREQ(HostOpName(HostOp::kObjMerge), "MQObj_Merge");
}

// ---------------------------------------------------------------------------
// The module a plug-in binds to.

TEST(HostModuleTest, PathNamesTheLoadedModule) {
    const std::string path = HostModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
#if !defined(_WIN32)
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(module, nullptr) << path;
    if (module != nullptr) dlclose(module);
#endif
}

TEST(HostModuleTest, ExportsEveryHostFunctionName) {
    const ModuleHandle module = LoadModule(HostModulePath().c_str());
    ASSERT_NE(module, nullptr);
    for (const char* name : kHostFunctionNames) {
        EXPECT_NE(FindEntryPoint(module, name), nullptr) << name;
    }
    // The implemented ones are the very functions this test calls directly.
    EXPECT_EQ(reinterpret_cast<void*>(FindEntryPoint(module, "MQObj_Merge")),
              reinterpret_cast<void*>(&MQObj_Merge));
    // The rest exist for binding only; a call would otherwise return garbage.
    const HostEntryPoint unused = FindEntryPoint(module, "MQObj_AddFace");
    ASSERT_NE(unused, nullptr);
    EXPECT_DEATH(unused(), "stand-in host: MQObj_AddFace is not implemented");
    ReleaseModule(module);
}

TEST(PluginHostTest, LoadFailuresNameTheFileAndTheMissingExport) {
    std::string error;
    EXPECT_EQ(PluginHost::Load("/nonexistent/vintrax-missing.plugin", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/vintrax-missing.plugin"), std::string::npos) << error;

    // A library that loads but is no plug-in: the host module itself.
    const std::string host = HostModulePath();
    error.clear();
    EXPECT_EQ(PluginHost::Load(host, &error), nullptr);
    EXPECT_NE(error.find(host), std::string::npos) << error;
    EXPECT_NE(error.find("MQGetPlugInID"), std::string::npos) << error;
}

}  // namespace
}  // namespace vintrax::hostsim
