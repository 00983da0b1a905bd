#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "clones/clone_name.h"

namespace vintrax {
namespace {

struct NameCase {
    std::string_view name;
    bool isClone;
    std::string_view source;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << ::testing::PrintToString(std::string(c.name)); }

class ParseCloneNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ParseCloneNameTest, ReadsSourceName) {
    const NameCase& c = GetParam();
    std::string source = "untouched";
    EXPECT_EQ(ParseCloneName(c.name, &source), c.isClone) << c.name;
    // The output is written only for a clone name.
    EXPECT_EQ(source, c.isClone ? std::string(c.source) : "untouched") << c.name;
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Names, ParseCloneNameTest,
    ::testing::Values(
        NameCase{"vintrax[Box]", true, "Box"},
        // Only the prefix ignores letter case; the source name keeps it.
        NameCase{"VINTRAX[Box]", true, "Box"}, NameCase{"vIntrax[Box]", true, "Box"},
        NameCase{"vintrax[box]", true, "box"},
        // Everything after the first ']' is ignored.
        NameCase{"vintrax[Box]_left", true, "Box"}, NameCase{"vintrax[Box] 2", true, "Box"},
        NameCase{"vintrax[Box]]", true, "Box"}, NameCase{"vintrax[vintrax[Box]]", true, "vintrax[Box"},
        // '[' and spaces belong to the source name.
        NameCase{"vintrax[[Box]", true, "[Box"}, NameCase{"vintrax[Left arm]", true, "Left arm"},
        // High bytes are ordinary source-name bytes, kept as they are.
        NameCase{"vintrax[\xC4\xE9]", true, "\xC4\xE9"},
        // A 0x5D trail byte of a multi-byte character still ends the source name.
        NameCase{"vintrax[\x83]x]", true, "\x83"},
        NameCase{"vintrax[Box", false, ""}, NameCase{"vintrax[", false, ""},
        NameCase{"vintrax[]", false, ""}, NameCase{"vintrax[]Box", false, ""},
        NameCase{"vintrax", false, ""}, NameCase{"", false, ""},
        NameCase{"vintrax(Box)", false, ""}, NameCase{"vintrax_[Box]", false, ""},
        NameCase{"Box vintrax[Box]", false, ""},
        // Bytes 0x80-0xFF are never folded: 0xD6/0xF6 differ only in "case" in
        // Latin-1, and a stray high byte can never stand in for a prefix letter.
        NameCase{"v\xC9ntrax[Box]", false, ""}, NameCase{"\xF6intrax[Box]", false, ""},
        // The name ends at its first NUL.
        NameCase{"vintrax[Box\0]"sv, false, ""}, NameCase{"vintrax[Box]\0tail"sv, true, "Box"}));

TEST(EqualsIgnoringAsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("vintraxMarker", "VINTRAXMARKER"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("VintraxMarker", kMarkerMaterialName));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("vintraxMarker2", kMarkerMaterialName));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("vintraxMarker ", kMarkerMaterialName));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Marker", kMarkerMaterialName));
    // '@' (0x40) and '[' (0x5B) sit just outside A-Z; folding them would make them
    // equal to '`' and '{'.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));
}

}  // namespace
}  // namespace vintrax
