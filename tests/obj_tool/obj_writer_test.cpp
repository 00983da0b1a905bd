#include "tools/vintrax-update/obj_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "tests/obj_tool/scene_dump.h"
#include "tools/vintrax-update/obj_reader.h"

namespace vintrax::objtool {
namespace {

using testing::Dump;
using testing::DumpObjects;

std::string Write(const ObjScene& scene, const std::vector<bool>& fromDocument) {
    StringSink sink;
    WriteObj(scene, fromDocument, sink);
    return sink.text;
}

// What the library does to a clone: its geometry replaced by a copy of the source's.
void Rebuild(hostsim::Document& doc, int source, int clone) {
    hostsim::Object& target = *doc.GetObject(clone);
    for (int v = 0; v < target.VertexCount(); ++v) target.DeleteVertex(v, true);
    target.Merge(*doc.GetObject(source));
    target.Compact();
}

// Files whose every line a writer could get wrong: state inherited across
// objects, faces with no material after a usemtl, groups and smoothing, pools
// referenced ahead, placeholders, CRLF and a last line without its newline.
const char* const kFixtures[] = {
    "",
    "# only a comment",
    "v 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3\no placeholder\n",
    "mtllib m.mtl\no a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\nusemtl red\ns 1\nf 1 3 2\n"
    "o b\n# b inherits red and s 1\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf -3//1 -2//1 -1//1\ng legs arms\nf 4 5 6\nusemtl\nf 6 5 4\n",
    "o a\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1/2 2/2 3/2\r\no b\r\nv 0 0 1\r\nv 1 0 1\r\nv 0 1 1\r\n"
    "vt 0 0\r\nvt 1 1\r\nusemtl x\r\nf 4/1 5/1 6/1",
    "\xEF\xBB\xBF  o   spaced  \t\nv  0   0  0\n\n  v 1 0 0 # tail\nv 0 1 0\n  f  1   2 3\n",
    // The mark shares its line with a statement of the unnamed leading object.
    "\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\nf 1 2 3\no b\nv 0 0 1\n",
    // Names ending in CR (a tab kept it from being a CRLF line end) must not
    // lose it when a written line ends right after them.
    "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\r\t\ng body\r\t\ns 1\r\t\nf 1 2 3\n",
};

TEST(ObjWriter, CopiesUntouchedObjectsByteForByte) {
    for (const char* text : kFixtures) {
        SCOPED_TRACE(text);
        const ObjScene scene = ReadObj(text, "t.obj");
        EXPECT_EQ(Write(scene, {}), text);
    }
}

TEST(ObjWriter, ObjectsWrittenFromTheDocumentReadBackAsTheSameDocument) {
    for (const char* text : kFixtures) {
        SCOPED_TRACE(text);
        const ObjScene scene = ReadObj(text, "t.obj");
        const std::string written = Write(scene, std::vector<bool>(scene.document->ObjectCount(), true));
        EXPECT_EQ(DumpObjects(ReadObj(written, "out.obj")), DumpObjects(scene)) << written;
    }
}

TEST(ObjWriter, ByteOrderMarkStaysInFrontOfARewrittenFirstLine) {
    const ObjScene scene = ReadObj("\xEF\xBB\xBFv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3", "t.obj");
    EXPECT_EQ(Write(scene, {true}), "\xEF\xBB\xBFv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n");
}

TEST(ObjWriter, PositionsSurviveAWriteBitForBit) {
    // Random bit patterns reach every exponent, subnormals and both zeros, where
    // a decimal form that is merely close reads back as a neighbouring float.
    std::mt19937 random(12345);
    std::string text = "o a\nv -0 1.4e-45 3.4028235e38\n";
    ObjScene scene = ReadObj(text, "t.obj");
    hostsim::Object& object = *scene.document->GetObject(0);
    std::vector<float> values;
    while (values.size() < 30000) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(value)) values.push_back(value);
    }
    for (std::size_t i = 0; i < values.size(); i += 3) object.AddVertex({values[i], values[i + 1], values[i + 2]});

    const ObjScene back = ReadObj(Write(scene, {true}), "out.obj");
    const hostsim::Object& read = *back.document->GetObject(0);
    ASSERT_EQ(read.VertexCount(), object.VertexCount());
    for (int v = 0; v < object.VertexCount(); ++v) {
        const Point3 a = object.Vertex(v);
        const Point3 b = read.Vertex(v);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.x), std::bit_cast<std::uint32_t>(b.x)) << v;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.y), std::bit_cast<std::uint32_t>(b.y)) << v;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.z), std::bit_cast<std::uint32_t>(b.z)) << v;
    }
}

TEST(ObjWriter, RebuiltCloneChangesOnlyItsOwnLinesAndLaterVertexIndexes) {
    // The clone sits after a usemtl line although its source has no material, and
    // the object after it inherits the clone's usemtl and s state.
    const std::string input =
        "o src\nv 0 0 0\nv 2 0 0\nv 0 2 0\nv 9 9 9\nf 1 2 3\n"
        "o other\nv 0 0 5\nv 1 0 5\nv 0 1 5\nusemtl red\nf 5 6 7\n"
        "o vintrax[src]\n# keep this comment\nv 5 5 5\nvt 0.5 0.5\nusemtl blue\ns 2\nf 8 8 8\n"
        "o after\nv 1 1 1\nv 2 1 1\nv 1 2 1\nf 9/1 10/1 11/1 # tail\nf -3 -2 -1\n";
    ObjScene scene = ReadObj(input, "t.obj");
    Rebuild(*scene.document, 0, 2);
    EXPECT_EQ(Write(scene, {false, false, true, false}),
              "o src\nv 0 0 0\nv 2 0 0\nv 0 2 0\nv 9 9 9\nf 1 2 3\n"
              "o other\nv 0 0 5\nv 1 0 5\nv 0 1 5\nusemtl red\nf 5 6 7\n"
              "o vintrax[src]\n# keep this comment\nv 0 0 0\nv 2 0 0\nv 0 2 0\nv 9 9 9\nvt 0.5 0.5\n"
              "usemtl\nf 8 9 10\nusemtl blue\ns 2\n"
              "o after\nv 1 1 1\nv 2 1 1\nv 1 2 1\nf 12/1 13/1 14/1 # tail\nf -3 -2 -1\n");
}

TEST(ObjWriter, RebuiltPlaceholderAtTheEndWithoutNewlineGetsItsOwnLines) {
    ObjScene scene = ReadObj("o src\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng g1\nf 1 2 3\no vintrax[src]", "t.obj");
    Rebuild(*scene.document, 0, 1);
    EXPECT_EQ(Write(scene, {false, true}),
              "o src\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng g1\nf 1 2 3\no vintrax[src]\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 4 5 6\n");
}

TEST(ObjWriter, RefusesWhatTheFileCannotSayBeforeWritingAnything) {
    ObjScene scene = ReadObj("o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "t.obj");
    const int unnamed = scene.document->AddEmptyMaterialSlot();
    const int corners[] = {0, 1, 2};
    scene.document->GetObject(0)->AddFace(corners, unnamed);
    StringSink sink;
    EXPECT_THROW(WriteObj(scene, {true}, sink), ObjError);
    EXPECT_EQ(sink.text, "");
}

}  // namespace
}  // namespace vintrax::objtool
