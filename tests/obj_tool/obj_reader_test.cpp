#include "tools/vintrax-update/obj_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "tests/obj_tool/scene_dump.h"

namespace vintrax::objtool {
namespace {

using testing::Dump;

struct MappingCase {
    const char* why;
    std::string obj;
    std::string document;  // Dump() of the result
};

// Each file is as small as the rule it pins down allows.
const MappingCase kMappings[] = {
    {"nothing at all gives no object", "", ""},
    {"comments, mtllib and texture coordinates alone are no geometry, so no unnamed object",
     "# hi\nmtllib a.mtl\nvt 0 0\n", ""},
    {"geometry before the first o line belongs to an object with an empty name",
     "v 1 2 3\no a\nv 4 5 6\n", "[]: 1,2,3 |\n[a]: 4,5,6 |\n"},
    {"names are the rest of the line, blanks around trimmed, spaces and high bytes kept",
     "o \t my arm \xC3\xA9 #2 \t\n", "[my arm \xC3\xA9 #2]: |\n"},
    {"a bare o line is an object with an empty name and nothing in it (a placeholder)",
     "o\no vintrax[a]\n", "[]: |\n[vintrax[a]]: |\n"},
    {"file-global indexes become the object's own, and unused vertices still belong to it",
     "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no b\nv 9 9 9\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 5 6 7\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2 - /off\n[b]: 9,9,9 0,0,1 1,0,1 0,1,1 | 1,2,3 - /off\n"},
    {"negative indexes count back from the line", "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -1 -2\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,2,1 - /off\n"},
    {"corner forms carry file-global texture coordinate and normal indexes",
     "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\no a\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
     "f 1/1 2/2 3/3\nf 1//1 2//1 3//1\nf 1/3/1 2/2/1 3/-1/-1\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2/0,1,2 - /off 0,1,2//0,0,0 - /off 0,1,2/2,1,2//0,0,0 - /off\n"},
    {"a face may use texture coordinates listed after it (a rebuilt clone uses its source's)",
     "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/3 2/3 3/3\nvt 0 0\nvt 0 1\nvt 1 1\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2/2,2,2 - /off\n"},
    {"materials: distinct usemtl names in first-use order; none before; a bare usemtl returns to none",
     "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nusemtl red\nf 1 2 3\nusemtl  blue \nf 1 2 3\nusemtl red\nf 1 2 3\nusemtl\nf 1 2 3\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2 - /off 0,1,2 red /off 0,1,2 blue /off 0,1,2 red /off 0,1,2 - /off\nmaterials: red blue\n"},
    {"the usemtl state carries across o lines, as OBJ readers do",
     "usemtl red\no a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2 red /off\nmaterials: red\n"},
    {"g and s lines tag faces; s 0, s off and no s are one state; a bare g is the default group",
     "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng body\ns 1\nf 1 2 3\ns 0\nf 1 2 3\ng\ns off\nf 1 2 3\n",
     "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2 - /off 0,1,2 - body/1 0,1,2 - body/off 0,1,2 - /off\n"},
    {"CRLF line ends, a byte order mark, trailing comments and a missing last newline",
     "\xEF\xBB\xBFo a\r\nv 0 0 0 # origin\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3 # tri", "[a]: 0,0,0 1,0,0 0,1,0 | 0,1,2 - /off\n"},
    {"coordinates: nearest float, a leading +, and values too small for a float are signed zeros",
     "v +2 0.1 -1e-50\nv 1e-50 3.4028235e38 1.4e-45\n", "[]: 2,0.1,-0 0,3.4028235e+38,1e-45 |\n"},
};

TEST(ObjReader, MapsFilesToDocuments) {
    for (const MappingCase& c : kMappings) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Dump(ReadObj(c.obj, "t.obj")), c.document);
    }
}

TEST(ObjReader, CoordinatesAreTheNearestFloatBitForBit) {
    // 16777217 lies halfway between two floats (ties to even: 16777216);
    // 0.1 and 1/3 are the classic inexact ones.
    const ObjScene scene = ReadObj("v 16777217 0.1 0.333333333333333333\n", "t.obj");
    const Point3 p = scene.document->GetObject(0)->Vertex(0);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.x), std::bit_cast<std::uint32_t>(16777216.0f));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.y), std::bit_cast<std::uint32_t>(0.1f));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.z), std::bit_cast<std::uint32_t>(1.0f / 3.0f));
}

TEST(ObjReader, ValuesTooSmallForAFloatBecomeZerosOfTheirSign) {
    // Below the smallest denormal, and in the last two below the smallest double too.
    const ObjScene scene = ReadObj("v 1e-50 -1e-400 0.0000000000000000000000000000000000000000000000000001e-360\n", "t.obj");
    const Point3 p = scene.document->GetObject(0)->Vertex(0);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.x), 0x00000000u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.y), 0x80000000u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.z), 0x00000000u);
}

struct RejectCase {
    const char* why;
    std::string obj;
    int line;
    const char* says;  // part of the message
};

const RejectCase kRejects[] = {
    {"polylines would be lost", "o a\nv 0 0 0\nv 1 0 0\nl 1 2\n", 4, "unsupported statement \"l\""},
    {"points would be lost", "v 0 0 0\np 1\n", 2, "\"p\""},
    {"free-form geometry would be lost", "cstype bspline\n", 1, "free-form"},
    {"parameter vertices would be lost", "vp 0.5\n", 1, "\"vp\""},
    {"an unknown statement is not guessed at", "o a\nfoo bar\n", 2, "unknown statement \"foo\""},
    {"a w component would be lost", "v 1 2 3 1\n", 1, "4th (w)"},
    {"vertex colours would be lost", "v 1 2 3 1 0 0\n", 1, "more than 3"},
    {"too few coordinates", "v 1 2\n", 1, "3 coordinates"},
    {"a coordinate that is not a number", "v 1 2 x\n", 1, "\"x\" is not a number"},
    {"a number with junk after it", "v 1 2 3e\n", 1, "\"3e\" is not a number"},
    {"NaN has no place in a bounding box", "v nan 0 0\n", 1, "not a finite number"},
    {"a value beyond float range", "v 1e39 0 0\n", 1, "out of float range"},
    {"a value beyond even a double's range", "v 0 0 -1e400\n", 1, "out of float range"},
    {"many small digits can still be too large", "v 0.00001e45 0 0\n", 1, "out of float range"},
    {"a texture coordinate needs a number", "vt\n", 1, "vt"},
    {"a normal needs three numbers", "vn 0 1\n", 1, "vn"},
    {"a face needs three corners", "v 0 0 0\nv 1 0 0\nf 1 2\n", 3, "at least 3 corners"},
    {"index 0 does not exist in OBJ", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", 4, "index 0"},
    {"a vertex that is not defined yet", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", 4, "refers to vertex 4"},
    {"a relative index before the first vertex", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n", 4, "before the first vertex"},
    {"a corner in another object",
     "o a\nv 0 0 0\no b\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 6, "belongs to object \"a\" (line 1), not to this face's object \"b\""},
    {"a relative corner reaching into the previous object",
     "o a\nv 0 0 0\no b\nv 1 0 0\nv 0 1 0\nf -1 -2 -3\n", 6, "belongs to object \"a\""},
    {"corners of one face mixing forms", "vt 0 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2 3\n", 5, "corner 2"},
    {"an empty texture coordinate part", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/ 2/ 3/\n", 4, "texture coordinate index is missing"},
    {"an empty normal part", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1// 2// 3//\n", 4, "normal index is missing"},
    {"four parts to a corner", "vt 0 0\nvn 0 0 1\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1/1/1 2/1/1 3/1/1\n", 6, "more than three parts"},
    {"a fractional index", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1.5 2 3\n", 4, "not a whole number"},
    {"a relative texture coordinate before the first", "vt 0 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/-2 2/1 3/1\n", 5, "before the first"},
    {"a texture coordinate the file never has (named at the face's line)",
     "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/2 3/3\nvt 0 0\nvt 1 0\n", 4, "texture coordinate 3"},
    {"a normal the file never has", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//2\n", 5, "normal 2"},
    {"a line continued with a backslash", "v 0 0 \\\n0\n", 1, "'\\'"},
    {"a NUL in a name would cut it short in the host", std::string("o a\0b\n", 6), 1, "NUL"},
    {"the line count goes on past CRLF lines and comments", "# c\r\n\r\no a\r\nv 0 0\r\n", 4, "3 coordinates"},
};

TEST(ObjReader, RejectsWhatItCannotCarryNamingFileAndLine) {
    for (const RejectCase& c : kRejects) {
        SCOPED_TRACE(c.why);
        try {
            ReadObj(c.obj, "dir/scene.obj");
            ADD_FAILURE() << "accepted";
        } catch (const ObjError& error) {
            const std::string message = error.what();
            EXPECT_EQ(error.line(), c.line) << message;
            EXPECT_EQ(message.rfind("dir/scene.obj:" + std::to_string(c.line) + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(c.says), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace vintrax::objtool
